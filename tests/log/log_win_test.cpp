#include "log/log.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "fs/file_primitives.h"

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using vup::test::run_helper;

TEST(LogFolder, UnderLocalAppData) {
  vup::test::TempFolder folder;
  vup::test::set_environment("LOCALAPPDATA", folder.path().string());
  EXPECT_EQ(vup::log_folder(), folder.path().native() + L"\\VelmoraUpdater");

  vup::test::unset_environment("LOCALAPPDATA");
  EXPECT_TRUE(vup::log_folder().empty());
  EXPECT_EQ(run_helper("log_helper", {"open", "write", "lost"}), 0);
  EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST(LogSharing, OpenedWithoutSharing) {
  vup::test::TempFolder folder;
  vup::test::set_environment("LOCALAPPDATA", folder.path().string());
  // While the helper holds its log, even its own reading of it is refused.
  EXPECT_EQ(run_helper("log_helper", {"open", "write", "held", "probe"}), 10 + vup::read_error);
  // Without the opening, the same read works.
  EXPECT_EQ(run_helper("log_helper", {"probe"}), 10 + vup::read_ok);
}

}  // namespace
