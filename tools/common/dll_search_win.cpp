// Windows: the process-wide DLL search restricted to System32.
#include <windows.h>

#include "tools/common/dll_search.h"

namespace vup::tools {

void restrict_dll_search() {
  // Windows 8 and later accept this flag; there is nothing to fall back to.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace vup::tools
