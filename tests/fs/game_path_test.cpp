#include "fs/game_path.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using vup::fold_game_path;
using vup::is_reserved_device_name;
using vup::is_safe_game_path;

TEST(GamePath, AcceptsOrdinaryPaths) {
  const std::string cases[] = {
      "a",
      "Data/Map.rk",
      "sub dir/file name.txt",
      ".hidden",
      "a/.b",
      "com10",
      "com0/lpt0.txt",
      "console/aux1/nul_/con_.txt",
      "!#$%&'()+,;=[]^_`{}",
      "a/b/c/d/e/f/g",
      std::string(99, 'x') + "/" + std::string(100, 'y'),  // exactly 200 bytes
  };
  for (const auto& path : cases) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(is_safe_game_path(path));
  }
}

TEST(GamePath, RefusesUnsafePaths) {
  const std::string cases[] = {
      "",
      "/Data/Map.rk",
      "Data//Map.rk",
      "Data/",
      "./Map.rk",
      "Data/../Map.rk",
      "..",
      ".",
      " lead/x",
      "trail /x",
      "x/trail ",
      "a.",
      "Data./x",
      "C:/x",
      "a\\b",
      "a~1",
      "a*b",
      "a\tb",
      "caf\xC3\xA9.txt",
      "a\"b", "a<b", "a>b", "a?b", "a|b",
      std::string("a\0b", 3),
      "a\x7F",
      std::string(201, 'x'),
      std::string(24, 'x') + "/" + std::string(101, 'y') + "/" + std::string(23, 'z'),  // 150 bytes
      // Reserved device names in any segment and any letter case.
      "CON", "data/nul.txt", "LPT3", "conout$", "aux .log/file.txt", "x/Com9.dat", "CONIN$",
  };
  for (const auto& path : cases) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(is_safe_game_path(path));
  }
}

TEST(GamePath, ReservedDeviceNames) {
  const struct {
    const char* segment;
    bool reserved;
  } cases[] = {
      {"con.txt", true}, {"CON", true}, {"Nul.tar.gz", true}, {"COM1.dat", true},
      {"lpt9", true}, {"aux .log", true}, {"prn", true}, {"conin$", true},
      {"CONOUT$.x", true}, {"nul  ", true},
      {"console", false}, {"com10", false}, {"com0", false}, {"aux1", false},
      {"nul_", false}, {"con_.txt", false}, {"lpt", false}, {"com", false},
      {"", false}, {".con", false}, {"xcon", false}, {"com\xB9", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.segment);
    EXPECT_EQ(is_reserved_device_name(c.segment), c.reserved);
  }
}

TEST(GamePath, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(fold_game_path("Data/MAP.Rk"), "data/map.rk");
  EXPECT_EQ(fold_game_path("already/lower-case_1.txt"), "already/lower-case_1.txt");
  EXPECT_EQ(fold_game_path("@[`{AZaz"), "@[`{azaz");
  EXPECT_EQ(fold_game_path("\xC3\x89"), "\xC3\x89");
  EXPECT_EQ(fold_game_path(""), "");
}

// The names whose files the updater writes, renames and deletes itself.
TEST(GamePath, NamesTheUpdaterKeepsForItself) {
  const struct {
    const char* path;
    bool owned;
  } cases[] = {
      {"VelmoraUpdater.state.json", true},
      {"velmoraupdater.STATE.json.tmp", true},
      {"VelmoraUpdater.installing", true},
      {"VelmoraUpdater.installing.tmp", true},
      {"VelmoraUpdater.state.json/inside.rk", true},  // a folder where the state goes
      {"Data/Map.rk.vup-part", true},
      {"VelmoraUpdater.exe.old", true},  // where the running launcher goes aside
      {"velmoraupdater.EXE.9.OLD", true},
      {"VelmoraUpdater.exe.1.old/x.rk", true},
      {"a.VUP-PART/b.rk", true},
      {".vup-part", true},
      {"Data/VelmoraUpdater.state.json", false},  // only the top of the folder is the updater's
      {"VelmoraUpdater.state.json.bak", false},
      {"VelmoraUpdater.exe", false},
      {"VelmoraUpdater.exe.10.old", false},
      {"VelmoraUpdater.exe.0.old", false},
      {"Data/VelmoraUpdater.exe.old", false},
      {"quillfen.ini", false},
      {"Data/Map.rk.vup-part2", false},
      {"vup-part", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(vup::is_updater_owned_path(c.path), c.owned);
  }
  EXPECT_EQ(vup::launcher_backup_name(0), "VelmoraUpdater.exe.old");
  EXPECT_EQ(vup::launcher_backup_name(9), "VelmoraUpdater.exe.9.old");
}

}  // namespace
