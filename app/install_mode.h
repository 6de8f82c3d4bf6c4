// Whether this start is the relaunch of an installed copy.
#pragma once

#include <vector>

#include "fs/platform_path.h"

namespace vup {

// True exactly when the arguments are the program and the one argument
// "--install", compared case-sensitively.
[[nodiscard]] bool is_install_command_line(const std::vector<PathString>& arguments);

}  // namespace vup
