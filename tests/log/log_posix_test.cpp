#include "log/log.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using vup::test::run_helper;
using vup::test::set_environment;
using vup::test::unset_environment;

TEST(LogFolder, FromXdgStateHomeElseHome) {
  vup::test::TempFolder folder;
  const std::string root = folder.path().string();
  set_environment("HOME", root + "/home");

  set_environment("XDG_STATE_HOME", root + "/state");
  EXPECT_EQ(vup::log_folder(), root + "/state/VelmoraUpdater");
  set_environment("XDG_STATE_HOME", "relative/state");
  EXPECT_EQ(vup::log_folder(), root + "/home/.local/state/VelmoraUpdater");

  // A fresh account has no ~/.local/state yet: every level is made.
  unset_environment("XDG_STATE_HOME");
  EXPECT_EQ(vup::log_folder(), root + "/home/.local/state/VelmoraUpdater");
  ASSERT_EQ(run_helper("log_helper", {"open", "write", "hello"}), 0);
  EXPECT_NE(vup::test::read_bytes(folder.path() / "home/.local/state/VelmoraUpdater/updater.log").find("  hello\n"),
            std::string::npos);
}

TEST(LogFolder, NoneWithoutStateHomeOrHome) {
  vup::test::TempFolder folder;
  const char* saved_home = std::getenv("HOME");
  const std::string home = saved_home ? saved_home : "";
  unset_environment("XDG_STATE_HOME");
  unset_environment("HOME");
  EXPECT_TRUE(vup::log_folder().empty());
  EXPECT_EQ(run_helper("log_helper", {"open", "write", "lost"}), 0);
  if (!home.empty()) set_environment("HOME", home);
  EXPECT_TRUE(fs::is_empty(folder.path()));
}

}  // namespace
