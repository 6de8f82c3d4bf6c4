// Windows: what a failed replacement's error code means.
#include "update/game_files.h"

namespace vup {

bool means_in_use(int replace_error) {
  return replace_error == 32 /* ERROR_SHARING_VIOLATION */ || replace_error == 5 /* ERROR_ACCESS_DENIED */;
}

}  // namespace vup
