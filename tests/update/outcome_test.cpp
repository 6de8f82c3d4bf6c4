#include <string>

#include <gtest/gtest.h>

#include "update/game_files.h"
#include "update/outcome.h"
#include "update/progress.h"

namespace {

using namespace vup;

TEST(Outcome, ShortTexts) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {0, "Ready."}, {10, "The game was not found"}, {11, "The game was not found"},
      {12, "Something went wrong"}, {20, "Cannot reach the update server"},
      {21, "The update could not be trusted"}, {22, "The update was refused"},
      {23, "A game file has changed"}, {24, "An unknown file was found"},
      {25, "The update server could not be verified"}, {30, "Not enough disk space"},
      {31, "A download failed"}, {32, "The game is still running"}, {33, "A file could not be written"},
      {40, "Stopped"}, {50, "Ready."}, {51, "The game could not start"}, {60, "Something went wrong"},
      {1, "Something went wrong"}, {-7, "Something went wrong"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_STREQ(outcome_short_text(c.code), c.text);
  }
}

TEST(Outcome, MegabytesAndProgressTexts) {
  EXPECT_EQ(megabytes_text(0), "0.0 MB");
  EXPECT_EQ(megabytes_text(1572864), "1.5 MB");
  EXPECT_EQ(megabytes_text(4294967296ull), "4096.0 MB");
  EXPECT_EQ(megabytes_text(UINT64_MAX), "17592186044416.0 MB");

  DownloadProgress p;
  p.bytes_done = 13107200;   // 12.5 MB
  p.bytes_total = 41943040;  // 40 MB
  p.file_number = 3;
  p.file_count = 9;
  EXPECT_EQ(progress_text(p), "12.5 of 40.0 MB \xC2\xB7 file 3 of 9");
}

TEST(GameFiles, WatchedKindsAndDisplayPaths) {
  for (const char* name : {"a.dll", "A.DLL", "x/y.Rk", "b.rK"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(is_watched_file(name));
  }
  for (const char* name : {"dll", "a.dll.txt", "a.rkx", "readme.txt", "x.dl", ".rk.bak"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(is_watched_file(name));
  }
  EXPECT_TRUE(is_watched_file(".rk"));
  EXPECT_EQ(display_path(VUP_PATH("\\\\?\\C:\\Games\\a.rk")), "C:\\Games\\a.rk");
  EXPECT_EQ(display_path(VUP_PATH("/srv/game/a.rk")), "/srv/game/a.rk");
}

}  // namespace
