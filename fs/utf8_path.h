// Paths as UTF-8 text, for the screen, the install marker and names compared as
// UTF-8. Windows converts from UTF-16; on POSIX a path already is its bytes.
#pragma once

#include <string>
#include <string_view>

#include "fs/platform_path.h"

namespace vup {

// The path as UTF-8. On Windows a lone surrogate becomes U+FFFD.
[[nodiscard]] std::string path_to_utf8(PathView path);
// UTF-8 text as a platform path. On Windows an invalid sequence becomes U+FFFD.
[[nodiscard]] PathString path_from_utf8(std::string_view text);

}  // namespace vup
