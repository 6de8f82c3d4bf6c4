// Holds a file open the way a running game or a virus scanner does (read access,
// sharing read only, so no move over it succeeds), until a second file appears:
// hold_file FILE STOP_FILE. Writes FILE + ".held" once the handle is open.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const std::wstring held = std::wstring(argv[1]) + L".held";
  CloseHandle(CreateFileW(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  for (int i = 0; i < 600 && GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
  CloseHandle(file);
  return 0;
}
