// Command-line arguments as platform text (UTF-16 on Windows, whatever the
// console's code page).
#pragma once

#include <vector>

#include "fs/platform_path.h"

namespace vup::tools {

// The arguments after the program name.
[[nodiscard]] std::vector<PathString> command_line_arguments(int argc, char** argv);

// `folder` made absolute and normal, without a trailing separator ("C:" for a
// drive root). Empty when it cannot be made absolute.
[[nodiscard]] PathString absolute_folder(const PathString& folder);

}  // namespace vup::tools
