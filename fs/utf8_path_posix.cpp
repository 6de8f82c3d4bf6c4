// POSIX paths are bytes, taken to be UTF-8 as they are.
#include "fs/utf8_path.h"

namespace vup {

std::string path_to_utf8(PathView path) { return std::string(path); }

PathString path_from_utf8(std::string_view text) { return PathString(text); }

}  // namespace vup
