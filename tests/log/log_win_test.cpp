#include "log/log.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

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

// The install's hand-over: the process that started the copy still holds the log
// for a moment after the start.
TEST(LogSharing, AHandedOverProgramWaitsForTheLogToBeLetGo) {
  vup::test::TempFolder folder;
  vup::test::set_environment("LOCALAPPDATA", folder.path().string());
  fs::create_directory(folder / "VelmoraUpdater");
  const fs::path log = folder / "VelmoraUpdater/updater.log";
  const fs::path started = folder / "started";
  const auto hold = [&] {
    HANDLE held = CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(held, INVALID_HANDLE_VALUE);
    return held;
  };

  // Without waiting, the lines of a program that opens the log meanwhile are lost.
  HANDLE held = hold();
  EXPECT_EQ(run_helper("log_helper", {"open", "write", "at once"}), 0);
  CloseHandle(held);
  EXPECT_EQ(vup::test::read_bytes(log).find("at once"), std::string::npos);

  // Waiting, they are kept once the holder lets go, well after the first try.
  held = hold();
  std::thread let_go([&] {
    for (int i = 0; i < 500 && !fs::exists(started); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    CloseHandle(held);
  });
  EXPECT_EQ(run_helper("log_helper", {"signal", started.string(), "open-waiting", "5000", "write", "after waiting"}), 0);
  let_go.join();
  EXPECT_NE(vup::test::read_bytes(log).find("after waiting"), std::string::npos);
}

}  // namespace
