// Where the program's update runs get their server and key: built in for the
// program players run; the test build reads them from its environment.
#pragma once

#include "update/update_settings.h"

namespace vup {

[[nodiscard]] UpdateSettings program_settings();

}  // namespace vup
