// The update run: from the signed manifest on the server to an up-to-date game
// folder with its state saved.
#pragma once

#include <atomic>
#include <cstdint>

#include "base/constants.h"
#include "update/outcome.h"
#include "update/reporter.h"
#include "update/update_settings.h"
#include "update/update_view.h"
#include "update/updated_folder.h"

namespace vup {

// Brings the game folder to the manifest: checks every file (the saved state spares
// hashing unchanged ones), downloads what is missing or different, removes ".dll"
// and ".rk" files that left the game while they are still the ones installed here,
// saves the state, and fills `folder` for the pre-launch check. `installing` allows
// a folder without the game executable. Reads `stop` between steps and while
// hashing and downloading.
[[nodiscard]] Outcome run_update_impl(Reporter& reporter, const std::atomic<bool>& stop, UpdatedFolder& folder,
                                      bool installing, const UpdateSettings& settings);

// The worker's update task: opens the log, marks the start of a run, runs the update
// and turns any exception into code 60. `folder` is reset unless the run succeeded.
[[nodiscard]] Outcome run_update_task(UpdateView& view, const std::atomic<bool>& stop, UpdatedFolder& folder,
                                      bool installing, const UpdateSettings& settings) noexcept;

}  // namespace vup
