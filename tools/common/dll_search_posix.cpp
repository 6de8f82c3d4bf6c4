// POSIX: the dynamic linker looks only where the system and the program's run path say.
#include "tools/common/dll_search.h"

namespace vup::tools {

void restrict_dll_search() {}

}  // namespace vup::tools
