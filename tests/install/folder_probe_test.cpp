// The installer on real folders, in both builds.
#include "install/folder_probe.h"

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "fs/file_primitives.h"
#include "fs/utf8_path.h"
#include "install/first_decision.h"
#include "install/install_marker.h"
#include "options/ini_file.h"
#include "options/options_store.h"
#include "tests/support/temp_folder.h"

namespace {

using vup::FolderKind;
using vup::PathKind;
using vup::test::TempFolder;
namespace fs = std::filesystem;

std::vector<std::string> sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

vup::FolderCheck check(const TempFolder& dir) {
  vup::SystemFolderProbe probe;
  return vup::check_folder(probe, dir.native(), "VelmoraUpdater.exe");
}

TEST(ListFolder, NamesAsUtf8WithoutDots) {
  TempFolder dir;
  dir.write("VelmoraUpdater.exe", "x");
  dir.write("Data/World.rk", "x");
  const std::string accented = "Caf\xC3\xA9.jpg";
  vup::test::write_bytes(dir.path() / fs::path(vup::path_from_utf8(accented)), "x");
  const vup::FolderListing listing = vup::list_folder(dir.native());
  EXPECT_TRUE(listing.ok);
  EXPECT_EQ(sorted(listing.names), sorted({"VelmoraUpdater.exe", "Data", accented}));

  fs::create_directory(dir / "empty");
  const vup::FolderListing empty = vup::list_folder((dir / "empty").native());
  EXPECT_TRUE(empty.ok);
  EXPECT_TRUE(empty.names.empty());

  EXPECT_FALSE(vup::list_folder((dir / "missing").native()).ok);
  EXPECT_FALSE(vup::list_folder((dir / "VelmoraUpdater.exe").native()).ok);
}

TEST(PathKindOf, MissingFoldersAndEverythingElse) {
  TempFolder dir;
  dir.write("file", "x");
  fs::create_directory(dir / "folder");
  EXPECT_EQ(vup::path_kind((dir / "missing").native()), PathKind::missing);
  EXPECT_EQ(vup::path_kind((dir / "missing/below").native()), PathKind::missing);
  EXPECT_EQ(vup::path_kind((dir / "folder").native()), PathKind::directory);
  EXPECT_EQ(vup::path_kind((dir / "file").native()), PathKind::other);
}

TEST(FolderOnDisk, InstallHereStartsAndTheSuccessStepFinishes) {
  TempFolder dir;
  dir.write("VelmoraUpdater.exe", "x");
  EXPECT_EQ(check(dir).kind, FolderKind::updater_alone);

  ASSERT_TRUE(vup::write_install_marker(dir.native(), std::nullopt,
                                       [](std::string_view) { FAIL() << "no log line expected"; }));
  EXPECT_EQ(dir.read("VelmoraUpdater.installing"), vup::install_marker_content(vup::path_to_utf8(dir.native())));
  EXPECT_FALSE(fs::exists(dir / "VelmoraUpdater.installing.tmp"));
  dir.write("World.rk.vup-part", "partial");
  dir.write("Data/Map.rk", "x");
  EXPECT_EQ(check(dir).kind, FolderKind::install_started) << "an interrupted install goes on at the next start";

  // A run that succeeded removes the marker and writes the options held meanwhile.
  vup::IniOptionsFile file(vup::options_file_path(dir.native()));
  vup::OptionsStore options(file, [](std::string_view line) { FAIL() << line; });
  options.read();
  vup::GameOptions changed = options.options();
  changed.music = false;
  options.change(changed);
  EXPECT_FALSE(fs::exists(dir / "quillfen.ini"));
  dir.write("KSLv41.exe", "game");
  vup::remove_install_marker(dir.native());
  options.after_successful_update();
  EXPECT_FALSE(fs::exists(dir / "VelmoraUpdater.installing"));
  EXPECT_EQ(vup::read_ini_int(vup::options_file_path(dir.native()), "launcher", "music", -1), 0);
  EXPECT_EQ(check(dir).kind, FolderKind::game);
  vup::remove_install_marker(dir.native());  // no marker left: no error
}

TEST(FolderOnDisk, MarkerOfAnotherFolderOrUnreadable) {
  TempFolder dir;
  dir.write("VelmoraUpdater.exe", "x");
  dir.write("VelmoraUpdater.installing", "folder=" + vup::path_to_utf8(dir.native()) + "\r\nmore\r\n");
  EXPECT_EQ(check(dir).kind, FolderKind::install_started);
  dir.write("VelmoraUpdater.installing", vup::install_marker_content(vup::path_to_utf8(dir.native()) + "-old"));
  EXPECT_EQ(check(dir).kind, FolderKind::install_moved);
  // A marker above 4096 bytes is not read at all.
  std::string large = vup::install_marker_content(vup::path_to_utf8(dir.native()));
  large.resize(4097, 'x');
  dir.write("VelmoraUpdater.installing", large);
  EXPECT_EQ(check(dir).kind, FolderKind::install_moved);
  large.resize(4096);
  dir.write("VelmoraUpdater.installing", large);
  EXPECT_EQ(check(dir).kind, FolderKind::install_started);
}

TEST(FolderOnDisk, TheSubfolderRoute) {
  TempFolder dir;
  dir.write("VelmoraUpdater.exe", "x");
  dir.write("photo.jpg", "x");
  const vup::PathString sub = (dir / "Velmora").native();

  vup::FolderCheck result = check(dir);
  EXPECT_EQ(result.kind, FolderKind::other);
  EXPECT_FALSE(result.cannot_hold);
  EXPECT_EQ(result.target, sub);
  EXPECT_FALSE(fs::exists(dir / "Velmora")) << "the check changes nothing";

  fs::create_directory(dir / "Velmora");
  EXPECT_FALSE(check(dir).cannot_hold);

  ASSERT_TRUE(vup::write_install_marker(sub));
  result = check(dir);
  EXPECT_FALSE(result.cannot_hold);
  EXPECT_TRUE(result.unfinished_subfolder);

  dir.write("Velmora/notes.txt", "x");
  result = check(dir);
  EXPECT_TRUE(result.cannot_hold);
  EXPECT_NE(result.message.find(vup::path_to_utf8(sub) + " already exists with other files"), std::string::npos)
      << result.message;

  fs::remove_all(dir / "Velmora");
  dir.write("Velmora", "a file");
  EXPECT_TRUE(check(dir).cannot_hold);
}

TEST(FolderOnDisk, AMarkerThatCannotBeWrittenIsLogged) {
  TempFolder dir;
  std::vector<std::string> log;
  EXPECT_FALSE(vup::write_install_marker((dir / "missing").native(), std::nullopt,
                                         [&](std::string_view line) { log.emplace_back(line); }));
  EXPECT_EQ(log, (std::vector<std::string>{"install: could not write the install marker"}));
}

TEST(FolderOnDisk, GameExecutablePresentOnlyAsAFile) {
  TempFolder dir;
  EXPECT_FALSE(vup::game_executable_present(dir.native()));
  fs::create_directory(dir / "KSLv41.exe");
  EXPECT_FALSE(vup::game_executable_present(dir.native()));
  fs::remove(dir / "KSLv41.exe");
  dir.write("KSLv41.exe", "game");
  EXPECT_TRUE(vup::game_executable_present(dir.native()));
}

TEST(OwnProgram, PathAndName) {
  const vup::PathString own = vup::program_path();
  ASSERT_FALSE(own.empty());
  EXPECT_TRUE(fs::exists(fs::path(own)));
  EXPECT_EQ(fs::path(vup::PathString(vup::file_name_of(own))), fs::path(own).filename());
}

}  // namespace
