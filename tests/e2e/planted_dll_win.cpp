// The planted DLL of the DLL-planting tests. Copied beside a program under the name of
// a system DLL, it writes "<its own path>.loaded", holding the path of the program
// that loaded it, as soon as a process loads it. It exports nothing: a program that
// calls into it fails soon after, but the mark is written by then.
#include <windows.h>

namespace {

void write_mark(HMODULE self) {
  wchar_t mark[MAX_PATH + 16];
  const DWORD length = GetModuleFileNameW(self, mark, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  lstrcatW(mark, L".loaded");
  wchar_t program[MAX_PATH];
  const DWORD program_length = GetModuleFileNameW(nullptr, program, MAX_PATH);
  char text[4 * MAX_PATH];
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, program, static_cast<int>(program_length), text,
                                        sizeof text, nullptr, nullptr);
  HANDLE file = CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(bytes > 0 ? bytes : 0), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) write_mark(self);
  return TRUE;
}
