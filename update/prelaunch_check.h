// The check right before the game starts: every game file still matches the
// verified manifest, and no foreign ".dll" or ".rk" file sits in the game folder.
#pragma once

#include <atomic>
#include <cstdint>

#include "base/constants.h"
#include "update/outcome.h"
#include "update/reporter.h"
#include "update/updated_folder.h"

namespace vup {

// Changes nothing on the disk and nothing in `folder`: the state cache works on a
// copy that is thrown away. Codes: 23 changed or missing file, 24 foreign file,
// 33 folder not listable, 40 stopped. `full_check` reads every file instead of
// trusting the state's size and time, with a "  checking" line for each.
[[nodiscard]] Outcome check_files(Reporter& reporter, const UpdatedFolder& folder, const std::atomic<bool>& stop,
                                  bool full_check = false);

}  // namespace vup
