#include "tests/log/log_environment.h"
#include "tests/support/child_process.h"

namespace vup::test {

void point_log_at(const std::filesystem::path& folder) { set_environment("XDG_STATE_HOME", folder.string()); }

}  // namespace vup::test
