// POSIX: a rename does not fail because another program has the file open.
#include "update/game_files.h"

namespace vup {

bool means_in_use(int) { return false; }

}  // namespace vup
