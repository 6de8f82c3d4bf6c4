// Plays an updater that holds the session, for the second start's tests:
//   fake_instance READY_FILE [window-after MS] [exit-after MS]
// Takes the instance mutex (and, with window-after, makes a hidden window of the
// updater's class, shown only after MS), then writes READY_FILE. When it shows the
// window it writes READY_FILE + ".shown", and before that READY_FILE + ".early"
// when another process had shown the window already. It
// ends after exit-after MS, or after two minutes, pumping its messages meanwhile
// (a second start's ShowWindow waits for them).
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

const wchar_t window_class[] = L"VelmoraUpdaterWindow";

void touch(const std::wstring& path) {
  CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring ready = argv[1];
  DWORD window_after = 0;
  DWORD exit_after = 120000;
  bool with_window = false;
  for (int i = 2; i + 1 < argc; i += 2) {
    const DWORD value = static_cast<DWORD>(std::wcstoul(argv[i + 1], nullptr, 10));
    if (std::wcscmp(argv[i], L"window-after") == 0) {
      with_window = true;
      window_after = value;
    } else if (std::wcscmp(argv[i], L"exit-after") == 0) {
      exit_after = value;
    } else {
      return 2;
    }
  }
  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\VelmoraUpdater-window");
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) return 1;

  HWND window = nullptr;
  if (with_window) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = DefWindowProcW;
    type.hInstance = GetModuleHandleW(nullptr);
    type.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    type.lpszClassName = window_class;
    if (!RegisterClassExW(&type)) return 1;
    window = CreateWindowExW(WS_EX_APPWINDOW, window_class, L"VelmoraUpdater", WS_POPUP | WS_SYSMENU, 100, 100, 400,
                             300, nullptr, nullptr, type.hInstance, nullptr);
    if (!window) return 1;
  }
  touch(ready);

  const DWORD start = GetTickCount();
  bool shown = false;
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= exit_after) break;
    if (window && !shown && elapsed >= window_after) {
      if (IsWindowVisible(window)) touch(ready + L".early");
      ShowWindow(window, SW_SHOW);
      shown = true;
      touch(ready + L".shown");
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  if (window) DestroyWindow(window);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  return 0;
}
