// Windows: a file is a HANDLE.
#include <windows.h>

#include "fs/unique_file.h"

namespace vup {

bool close_native_file(NativeFile file) { return CloseHandle(file) != 0; }

}  // namespace vup
