// The INI access against real files. The same expectations hold for the Windows
// functions (run under Wine) and for the POSIX reader and writer.
#include "options/ini_file.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "options/options_store.h"
#include "tests/options/blocked_file.h"
#include "tests/support/temp_folder.h"

namespace {

using vup::test::BlockedFile;
using vup::test::TempFolder;

TEST(IniFile, ReadsIntegersWithDefaults) {
  TempFolder dir;
  dir.write("game.ini",
            "[Launcher]\r\n"
            "MUSIC=0\r\n"
            "effects = 1 \r\n"
            "intro=2abc\r\n"
            "largescreen=-1\r\n"
            "empty=\r\n"
            "word=abc\r\n"
            "quoted=\"7\"\r\n"
            "\r\n"
            "[screen]\r\n"
            "width=1366\r\n"
            "height=768\r\n"
            "[launcher]\r\n"
            "sound=1\r\n");
  const vup::PathString file = (dir / "game.ini").native();
  struct Case {
    const char* section;
    const char* key;
    int default_value;
    int value;
  };
  const Case cases[] = {
      {"launcher", "music", -1, 0},   {"launcher", "effects", -1, 1}, {"launcher", "intro", -1, 2},
      {"launcher", "largescreen", 5, -1}, {"launcher", "empty", 9, 9}, {"launcher", "word", 9, 0},
      {"launcher", "quoted", 9, 7},   {"launcher", "missing", -1, -1}, {"screen", "width", 0, 1366},
      {"SCREEN", "Height", 0, 768},   {"nothere", "width", 3, 3},
      {"launcher", "sound", 4, 4},  // only the first section of a name counts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(vup::read_ini_int(file, c.section, c.key, c.default_value), c.value);
  }
  const vup::PathString missing = (dir / "none.ini").native();
  EXPECT_EQ(vup::read_ini_int(missing, "launcher", "music", -1), -1);
}

TEST(IniFile, WritesKeepTheFilesOtherContent) {
  TempFolder dir;
  dir.write("quillfen.ini", "[launcher]\r\nname=Ann\r\nmusic=0\r\n\r\n[other]\r\nkey=value\r\n");
  const vup::PathString file = vup::options_file_path(dir.native());
  int error = -1;
  ASSERT_TRUE(vup::write_ini_string(file, "launcher", "music", "1", error));
  EXPECT_EQ(error, 0);
  ASSERT_TRUE(vup::write_ini_string(file, "launcher", "intro", "0", error));
  ASSERT_TRUE(vup::write_ini_string(file, "screen", "width", "1366", error));
  vup::flush_ini_file(file);

  EXPECT_EQ(vup::read_ini_int(file, "launcher", "music", -1), 1);
  EXPECT_EQ(vup::read_ini_int(file, "launcher", "intro", -1), 0);
  EXPECT_EQ(vup::read_ini_int(file, "screen", "width", 0), 1366);
  const std::string text = dir.read("quillfen.ini");
  EXPECT_NE(text.find("name=Ann"), std::string::npos) << text;
  EXPECT_NE(text.find("[other]"), std::string::npos) << text;
  EXPECT_NE(text.find("key=value"), std::string::npos) << text;
  EXPECT_EQ(text.find("music=0"), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(dir / "quillfen.ini.tmp"));
}

TEST(IniFile, AFailedWriteGivesTheErrorCodeAndChangesNothing) {
  TempFolder dir;
  const std::string original = "[launcher]\r\nmusic=0\r\n";
  dir.write("quillfen.ini", original);
  int error = 0;
  {
    const BlockedFile blocked(dir / "quillfen.ini");
    EXPECT_FALSE(vup::write_ini_string(vup::options_file_path(dir.native()), "launcher", "music", "1", error));
  }
  EXPECT_EQ(error, BlockedFile::write_error());
  EXPECT_EQ(dir.read("quillfen.ini"), original);
  EXPECT_FALSE(std::filesystem::exists(dir / "quillfen.ini.tmp"));

  error = 0;
  const vup::PathString in_missing_folder = vup::options_file_path((dir / "missing").native());
  EXPECT_FALSE(vup::write_ini_string(in_missing_folder, "launcher", "music", "1", error));
  EXPECT_NE(error, 0);
}

struct StoreOnDisk {
  TempFolder dir;
  vup::IniOptionsFile file{vup::options_file_path(dir.native())};
  std::vector<std::string> log;
  vup::OptionsStore store{file, [this](std::string_view line) { log.emplace_back(line); }};
};

TEST(OptionsOnDisk, NoFileIsCreatedBeforeTheGameIsInstalled) {
  StoreOnDisk s;
  s.store.read();
  EXPECT_FALSE(s.store.writable());
  vup::GameOptions options = s.store.options();
  EXPECT_EQ(options.size_index, 0);
  EXPECT_TRUE(options.music);
  EXPECT_TRUE(options.effects);
  EXPECT_FALSE(options.intro);

  options.music = false;
  options.size_index = 3;
  s.store.change(options);
  EXPECT_TRUE(s.store.pending());
  EXPECT_FALSE(std::filesystem::exists(s.dir / "quillfen.ini"));

  s.store.after_successful_update();
  const vup::PathString path = vup::options_file_path(s.dir.native());
  EXPECT_EQ(vup::read_ini_int(path, "launcher", "music", -1), 0);
  EXPECT_EQ(vup::read_ini_int(path, "launcher", "effects", -1), 1);
  EXPECT_EQ(vup::read_ini_int(path, "launcher", "intro", -1), 0);
  EXPECT_EQ(vup::read_ini_int(path, "launcher", "largescreen", -1), 1);
  EXPECT_EQ(vup::read_ini_int(path, "screen", "width", 0), 1600);
  EXPECT_EQ(vup::read_ini_int(path, "screen", "height", 0), 900);
  EXPECT_TRUE(s.log.empty());
}

TEST(OptionsOnDisk, AFolderNamedLikeTheFileIsNotWritable) {
  StoreOnDisk s;
  std::filesystem::create_directory(s.dir / "quillfen.ini");
  s.store.read();
  EXPECT_FALSE(s.store.writable());
}

TEST(OptionsOnDisk, ChoosingTheSmallestSizeLeavesTheScreenKeys) {
  StoreOnDisk s;
  s.dir.write("quillfen.ini", "[launcher]\r\nlargescreen=1\r\n[screen]\r\nwidth=1366\r\nheight=768\r\n");
  s.store.read();
  ASSERT_TRUE(s.store.writable());
  vup::GameOptions options = s.store.options();
  EXPECT_EQ(options.size_index, 2);
  options.size_index = 0;
  s.store.change(options);
  const vup::PathString path = vup::options_file_path(s.dir.native());
  EXPECT_EQ(vup::read_ini_int(path, "launcher", "largescreen", -1), 0);
  EXPECT_EQ(vup::read_ini_int(path, "screen", "width", 0), 1366);
  EXPECT_EQ(vup::read_ini_int(path, "screen", "height", 0), 768);
}

TEST(OptionsOnDisk, AFileThatCannotBeWrittenLogsOneLinePerSaveAndStaysAsItWas) {
  StoreOnDisk s;
  const std::string original = "[launcher]\r\nmusic=1\r\n";
  s.dir.write("quillfen.ini", original);
  s.store.read();
  ASSERT_TRUE(s.store.writable());
  {
    const BlockedFile blocked(s.dir / "quillfen.ini");
    vup::GameOptions options = s.store.options();
    options.music = false;
    s.store.change(options);
    options.intro = true;
    s.store.change(options);
  }
  const std::string line =
      "options: could not write quillfen.ini (error " + std::to_string(BlockedFile::write_error()) + ")";
  EXPECT_EQ(s.log, (std::vector<std::string>{line, line}));
  EXPECT_EQ(s.dir.read("quillfen.ini"), original);
  EXPECT_FALSE(s.store.options().music);
  EXPECT_TRUE(s.store.options().intro);
}

}  // namespace
