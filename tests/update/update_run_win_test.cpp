// Windows: the run reads the game folder's own files through the long form of its
// path, which names a folder exactly as it is spelled.
#include "update/update_run.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/recording_view.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace vup;

constexpr char good_key[] = "AQIDBAUGBwgJCgsMDQ4PEBESExQVFhcYGRobHB0eHyA=";

bool write_long(const PathString& path, const char* text) {
  const HANDLE file = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD wrote = 0;
  const bool ok = WriteFile(file, text, static_cast<DWORD>(strlen(text)), &wrote, nullptr) != 0;
  CloseHandle(file);
  return ok;
}

// A plain path drops a folder name's final dot, so "game." would be read as
// "game", a folder that does not exist; only the long form reaches it. The same
// holds for a path near 260 characters, which plain paths cannot reach at all.
TEST(UpdateRun, ReadsTheGameFolderThroughItsLongForm) {
  test::TempFolder dir;
  const PathString game = dir.native() + L"\\game.";
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + game).c_str(), nullptr));
  ASSERT_TRUE(write_long(game + L"\\KSLv41.exe", "game"));
  ASSERT_TRUE(write_long(game + L"\\VelmoraUpdater.state.json", "not a state"));

  test::RecordingView view;
  UpdatedFolder folder;
  const std::atomic<bool> stop{false};
  const Outcome outcome = run_update_task(view, stop, folder, false, {game, "http://plain.invalid/", good_key, {}});
  EXPECT_EQ(outcome.code, 20) << outcome.message;  // found the game, read the state, then no server
  EXPECT_TRUE(view.has_line_starting("Note: the saved state was unreadable"));

  DeleteFileW((L"\\\\?\\" + game + L"\\KSLv41.exe").c_str());
  DeleteFileW((L"\\\\?\\" + game + L"\\VelmoraUpdater.state.json").c_str());
  RemoveDirectoryW((L"\\\\?\\" + game).c_str());
}

}  // namespace
