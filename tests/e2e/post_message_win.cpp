// Posts the worker's message number to the updater's window from another process,
// as any program on the desktop can: post_message PARAMETER... (decimal). Exits 1
// when there is no updater window, else 0.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  HWND window = FindWindowW(L"VelmoraUpdaterWindow", nullptr);
  if (!window) return 1;
  for (int i = 1; i < argc; ++i) {
    const LPARAM parameter = static_cast<LPARAM>(std::wcstoull(argv[i], nullptr, 10));
    if (!PostMessageW(window, 0x8001, 0, parameter)) return 3;
  }
  return 0;
}
