#include "app/install_mode.h"

namespace vup {

bool is_install_command_line(const std::vector<PathString>& arguments) {
  return arguments.size() == 2 && arguments[1] == VUP_PATH("--install");
}

}  // namespace vup
