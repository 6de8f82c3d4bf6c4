// Windows: the program's entry. One window per logon session, COM for the
// drawing stack, the application and its window, the message loop, and the
// teardown in a fixed order.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/install_mode.h"
#include "app/instance_mutex_win.h"
#include "app/program_environment_win.h"
#include "app/second_start_win.h"
#include "app/worker.h"
#include "log/log.h"
#include "ui/window_win.h"
#include "app/program_settings.h"
#include "fs/file_primitives.h"
#include "options/options_store.h"

namespace {

bool read_install_mode() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments) return false;  // a failed split only means no install mode
  std::vector<vup::PathString> list(arguments, arguments + count);
  LocalFree(arguments);
  return vup::is_install_command_line(list);
}

void report_start_failure(const std::string& log_line, const wchar_t* text) {
  vup::open_log();
  vup::write_log_line(log_line);
  MessageBoxW(nullptr, text, L"VelmoraUpdater", MB_OK | MB_ICONERROR);
}

int run(HINSTANCE instance, bool install_mode) {
  vup::EngineTasks tasks(vup::program_settings());
  const vup::PathString folder = vup::program_folder();
  vup::WindowsEnvironment environment(folder);
  vup::IniOptionsFile options_file(vup::options_file_path(folder));
  vup::OptionsStore options(options_file, [&environment](std::string_view line) { environment.log(line); });
  vup::MainWindow window;
  vup::App app(window, window, tasks, environment, options);
  window.attach(app);

  std::string failed_step;
  if (!window.set_up(instance, failed_step)) {
    report_start_failure("window: could not set up the window or its art (Windows 10 version 1703 or later is needed)",
                         L"VelmoraUpdater could not open its window. Windows 10 (version 1703) or later is needed.");
    return 60;
  }
  std::string error;
  if (!app.start(install_mode, error)) {
    report_start_failure("window: could not start the worker thread (" + error + ")",
                         L"VelmoraUpdater could not start its work. Restart the PC, then start it again.");
    DestroyWindow(window.handle());
    return 60;
  }
  window.show();
  MSG message;
  // Until the window is gone, not only until the quit message: a modal loop that
  // runs while the window is destroyed (the move loop of a press on empty art,
  // when the game starts meanwhile) takes the quit message for itself.
  while (!window.destroyed() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  // Before any other DLL is loaded: from here on, DLLs come from System32 alone, never
  // from the folder that holds the program (a Downloads folder, say, where a web page
  // can drop a DLL). Windows 8 and later accept the flag. All but kernel32 and msvcrt
  // are delay-loaded, so none is loaded before this line.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  const bool install_mode = read_install_mode();

  // Another updater holds this session: its window comes forward instead, or the
  // player hears that it does not respond.
  if (!vup::become_instance()) return 0;

  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int exit_code = run(instance, install_mode);
  if (SUCCEEDED(com)) CoUninitialize();
  vup::release_instance_mutex();
  return exit_code;
}
