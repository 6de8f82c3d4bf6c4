// POSIX: arguments are bytes already.
#include "tools/common/command_line.h"

namespace vup::tools {

std::vector<PathString> command_line_arguments(int argc, char** argv) {
  return std::vector<PathString>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace vup::tools
