// The demo's game reads the options file of its working folder with the
// updater's rules, records what it read, and closes by itself when told to. Run
// under Xvfb (see CMakeLists), so its window really opens.
#include <windows.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "fs/file_primitives.h"
#include "fs/utf8_path.h"
#include "tests/support/temp_folder.h"

namespace {

// Runs the game in `folder`; its exit code, or -1 when it did not start or end.
int run_game_in(const std::wstring& folder) {
  const std::wstring path = vup::program_folder() + L"\\demo_game.exe";
  std::wstring command = L"\"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  SetEnvironmentVariableW(L"VELMORA_DEMO_GAME_SECONDS", L"1");
  const BOOL started = CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      folder.c_str(), &startup, &process);
  SetEnvironmentVariableW(L"VELMORA_DEMO_GAME_SECONDS", nullptr);
  if (!started) return -1;
  CloseHandle(process.hThread);
  const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
  DWORD code = 0;
  if (!ended) TerminateProcess(process.hProcess, 99);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  return ended ? static_cast<int>(code) : -1;
}

TEST(DemoGame, ShowsAndRecordsTheOptionsItRead) {
  struct Case {
    const char* name;
    const char* ini;  // nullptr: no options file
    const char* options;
  };
  const Case cases[] = {
      {"no options file", nullptr, "window size=800 x 600\nmusic=on\nsound effects=on\nintro=off\n"},
      {"options set", "[launcher]\r\nmusic=0\r\nintro=1\r\nlargescreen=1\r\n[screen]\r\nwidth=1600\r\nheight=900\r\n",
       "window size=1600 x 900\nmusic=off\nsound effects=on\nintro=on\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vup::test::TempFolder dir;
    if (c.ini != nullptr) dir.write("quillfen.ini", c.ini);
    EXPECT_EQ(run_game_in(dir.native()), 0) << "the window opened and closed by itself";
    EXPECT_EQ(dir.read("started.txt"), vup::path_to_utf8(dir.native()) + "\n" + c.options);
    EXPECT_EQ(std::filesystem::exists(dir / "quillfen.ini"), c.ini != nullptr) << "the game only reads";
  }
}

}  // namespace
