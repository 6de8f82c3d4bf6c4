// The demo's stand-in for the game, published as KSLv41.exe and never shipped. It
// reads "quillfen.ini" in its working folder with the updater's own rules, writes
// "started.txt" there (the folder, then the options, one a line, UTF-8) so tests
// can check both, and shows the same in a window. It closes with its window, or by
// itself after N seconds when VELMORA_DEMO_GAME_SECONDS=N is set.
#include <windows.h>

#include <string>
#include <vector>

#include "fs/file_primitives.h"
#include "fs/utf8_path.h"
#include "options/options_store.h"

namespace {

const wchar_t window_class[] = L"VelmoraDemoGame";

std::wstring window_text;  // what the window shows
HFONT text_font = nullptr;

std::wstring working_folder() {
  std::vector<wchar_t> buffer(32768);
  const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length == 0 || length >= buffer.size()) return {};
  std::wstring folder(buffer.data(), length);
  // A drive root comes back as "C:\"; every other folder without a separator.
  if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

// Seconds from VELMORA_DEMO_GAME_SECONDS, or -1 when it is not a plain number.
int seconds_to_stay() {
  wchar_t value[16] = {};
  const DWORD length = GetEnvironmentVariableW(L"VELMORA_DEMO_GAME_SECONDS", value, 16);
  if (length == 0 || length >= 16) return -1;
  int seconds = 0;
  for (DWORD i = 0; i < length; ++i) {
    if (value[i] < L'0' || value[i] > L'9' || seconds > 86400) return -1;
    seconds = seconds * 10 + (value[i] - L'0');
  }
  return seconds;
}

std::vector<std::string> option_lines(const vup::GameOptions& options) {
  const vup::WindowSize size = vup::window_size(options.size_index);
  const auto on_off = [](bool on) { return std::string(on ? "on" : "off"); };
  return {"window size=" + std::to_string(size.width) + " x " + std::to_string(size.height),
          "music=" + on_off(options.music), "sound effects=" + on_off(options.effects),
          "intro=" + on_off(options.intro)};
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT area;
      GetClientRect(window, &area);
      FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      InflateRect(&area, -24, -20);
      HGDIOBJ old = SelectObject(dc, text_font != nullptr ? text_font : GetStockObject(DEFAULT_GUI_FONT));
      SetTextColor(dc, RGB(20, 20, 20));
      SetBkMode(dc, TRANSPARENT);
      DrawTextW(dc, window_text.c_str(), static_cast<int>(window_text.size()), &area, DT_LEFT | DT_WORDBREAK);
      SelectObject(dc, old);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_TIMER:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  const std::wstring folder = working_folder();
  vup::IniOptionsFile file(vup::options_file_path(folder));
  const vup::GameOptions options = vup::read_game_options(file);
  const std::vector<std::string> lines = option_lines(options);

  std::string record = vup::path_to_utf8(folder) + "\n";
  for (const std::string& line : lines) record += line + "\n";
  const vup::PathString record_path = folder + L"\\started.txt";
  (void)vup::write_file_atomically(record_path, record.data(), static_cast<std::uint32_t>(record.size()));

  window_text = L"Quillfen demo game (KSLv41.exe)\n\nOptions read from quillfen.ini:\n";
  for (const std::string& line : lines) {
    std::string shown = line;
    shown[0] = static_cast<char>(shown[0] - 'a' + 'A');
    const std::size_t equals = shown.find('=');
    shown.replace(equals, 1, ": ");
    window_text += L"    " + vup::path_from_utf8(shown) + L"\n";
  }
  window_text += L"\nFolder: " + folder;

  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = window_procedure;
  type.hInstance = instance;
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  type.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  type.lpszClassName = window_class;
  if (RegisterClassExW(&type) == 0) return 1;
  text_font = CreateFontW(-22, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
  HWND window = CreateWindowExW(0, window_class, L"Quillfen (demo game)", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 640, 400, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);
  const int seconds = seconds_to_stay();
  if (seconds >= 0) SetTimer(window, 1, static_cast<UINT>(seconds) * 1000u, nullptr);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (text_font != nullptr) DeleteObject(text_font);
  return 0;
}
