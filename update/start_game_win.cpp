// Windows: the game starts through the shell, which asks for elevation when the
// game's manifest wants it.
#include <windows.h>
#include <shellapi.h>

#include "update/start_game.h"

namespace vup {

int start_process(const PathString& folder, const PathString& executable) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC;
  info.hwnd = nullptr;
  info.lpVerb = L"open";
  info.lpFile = executable.c_str();
  info.lpParameters = nullptr;
  info.lpDirectory = folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&info)) return 0;
  return static_cast<int>(GetLastError());
}

}  // namespace vup
