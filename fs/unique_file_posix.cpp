// POSIX: a file is a descriptor.
#include <unistd.h>

#include "fs/unique_file.h"

namespace vup {

bool close_native_file(NativeFile file) { return ::close(file) == 0; }

}  // namespace vup
