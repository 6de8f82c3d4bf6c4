// Windows: the second start, over the instance mutex and FindWindowExW.
#include "app/second_start_win.h"

#include <windows.h>

#include "app/instance_mutex_win.h"
#include "ui/window_win.h"

namespace vup {
namespace {

constexpr DWORD poll_interval_ms = 100;

// A visible top-level updater window of this session's desktop; null when none.
HWND visible_updater_window() {
  for (HWND window = FindWindowExW(nullptr, nullptr, window_class_name, nullptr); window;
       window = FindWindowExW(nullptr, window, window_class_name, nullptr)) {
    if (IsWindowVisible(window)) return window;
  }
  return nullptr;
}

}  // namespace

bool become_instance(std::chrono::milliseconds patience) {
  if (claim_instance_mutex()) return true;
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    if (HWND running = visible_updater_window()) {
      ShowWindow(running, SW_RESTORE);
      SetForegroundWindow(running);
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    Sleep(poll_interval_ms);
    // The other one ended without showing a window (it was closing): this start
    // is the updater now.
    if (claim_instance_mutex()) return true;
  }
  MessageBoxW(nullptr,
              L"VelmoraUpdater is already running but not responding. End it in Task Manager, then start "
              L"VelmoraUpdater again.",
              L"VelmoraUpdater", MB_OK | MB_ICONWARNING);
  return false;
}

}  // namespace vup
