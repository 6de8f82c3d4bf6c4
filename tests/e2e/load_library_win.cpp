// For the DLL-planting tests: loads each DLL named on the command line by name alone,
// the way Windows looks for it when nothing restricts the search (the program's own
// folder first). Prints each name that did not load and exits 1 if there was one.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  int code = 0;
  for (int i = 1; i < argc; ++i) {
    if (LoadLibraryW(argv[i]) == nullptr) {
      std::fwprintf(stderr, L"%ls did not load (error %lu)\n", argv[i], GetLastError());
      code = 1;
    }
  }
  return code;
}
