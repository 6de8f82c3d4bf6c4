// Windows: the launcher's swap on a program that really runs, whose file can be
// renamed but neither replaced nor deleted; and the start's removal of backups
// that the old launcher still holds while it ends.
#include "update/launcher.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "fs/file_primitives.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace vup;

// hold_file (built beside this test) as "VelmoraUpdater.exe" in `dir`, running until
// dir\stop appears: a launcher that runs from that file.
class RunningLauncher {
 public:
  explicit RunningLauncher(const test::TempFolder& dir) : dir_(dir) {
    std::filesystem::copy_file(std::filesystem::path(program_folder()) / "hold_file.exe", dir / "VelmoraUpdater.exe");
    dir.write("anything.txt", "held by the running launcher");
    const std::wstring program = (dir / "VelmoraUpdater.exe").native();
    std::wstring command = L"\"" + program + L"\" \"" + (dir / "anything.txt").native() + L"\" \"" +
                           (dir / "stop").native() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process_) != 0;
    if (started_) CloseHandle(process_.hThread);
    for (int i = 0; started_ && i < 300 && !std::filesystem::exists(dir / "anything.txt.held"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~RunningLauncher() {
    end();
    if (started_) CloseHandle(process_.hProcess);
  }
  bool running() const { return started_ && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
  void end() {
    if (!started_) return;
    dir_.write("stop", "");
    WaitForSingleObject(process_.hProcess, 20000);
  }

 private:
  const test::TempFolder& dir_;
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

const PauseFunction no_wait = [](int) { return true; };
const PauseFunction real_wait = [](int milliseconds) { return pause_unless_stopped(milliseconds, nullptr); };

TEST(LauncherSwap, ARunningLauncherGivesItsNameToTheNewOne) {
  test::TempFolder dir;
  RunningLauncher old_launcher(dir);
  ASSERT_TRUE(old_launcher.running());
  const PathString name = (dir / "VelmoraUpdater.exe").native();
  const PathString part = name + L".vup-part";
  // What a plain replacement meets: the running program's file cannot be replaced.
  dir.write("VelmoraUpdater.exe.vup-part", "MZ new");
  ASSERT_NE(replace_file(part, name), 0);

  EXPECT_EQ(swap_launcher_into_place(part, name, no_wait).error, 0);
  EXPECT_EQ(dir.read("VelmoraUpdater.exe"), "MZ new");
  EXPECT_FALSE(std::filesystem::exists(dir / "VelmoraUpdater.exe.vup-part"));
  ASSERT_TRUE(std::filesystem::exists(dir / "VelmoraUpdater.exe.old"));

  // The old one still runs from its backup: it cannot be deleted yet ...
  const std::vector<KeptBackup> kept = remove_launcher_backups(dir.native(), no_wait, 0);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].name, "VelmoraUpdater.exe.old");
  EXPECT_TRUE(is_in_use_error(kept[0].error)) << kept[0].error;

  // ... and does not block the next swap, which takes the next backup name.
  dir.write("VelmoraUpdater.exe.vup-part", "MZ newer");
  EXPECT_EQ(swap_launcher_into_place(part, name, no_wait).error, 0);
  EXPECT_EQ(dir.read("VelmoraUpdater.exe"), "MZ newer");
  EXPECT_EQ(dir.read("VelmoraUpdater.exe.1.old"), "MZ new");

  // A start waits for the old launcher to end, then deletes every backup.
  std::thread ending([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    old_launcher.end();
  });
  const std::vector<KeptBackup> left = remove_launcher_backups(dir.native(), real_wait, launcher_backup_wait_ms);
  ending.join();
  EXPECT_TRUE(left.empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "VelmoraUpdater.exe.old"));
  EXPECT_FALSE(std::filesystem::exists(dir / "VelmoraUpdater.exe.1.old"));
  EXPECT_EQ(dir.read("VelmoraUpdater.exe"), "MZ newer");
}

// Step 1 fails when another program holds the launcher without letting it be
// renamed: the launcher stays as it was, and the error says that it is in use.
TEST(LauncherSwap, ALauncherThatCannotGoAsideStaysAsItWas) {
  test::TempFolder dir;
  dir.write("VelmoraUpdater.exe", "MZ old");
  dir.write("VelmoraUpdater.exe.vup-part", "MZ new");
  const PathString name = (dir / "VelmoraUpdater.exe").native();
  const HANDLE holder =
      CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const RetriedMove swapped = swap_launcher_into_place(name + L".vup-part", name, no_wait);
  CloseHandle(holder);
  EXPECT_TRUE(is_in_use_error(swapped.error)) << swapped.error;
  EXPECT_EQ(dir.read("VelmoraUpdater.exe"), "MZ old");
  EXPECT_TRUE(std::filesystem::exists(dir / "VelmoraUpdater.exe.vup-part"));
  EXPECT_FALSE(std::filesystem::exists(dir / "VelmoraUpdater.exe.old"));
}

}  // namespace
