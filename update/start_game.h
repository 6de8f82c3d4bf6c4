// The task behind Play: check the game files, then start the game.
#pragma once

#include <atomic>
#include <cstdint>

#include "fs/platform_path.h"
#include "update/outcome.h"
#include "update/update_view.h"
#include "update/updated_folder.h"

namespace vup {

// Runs the pre-launch check and starts the game executable in the game folder
// (through the shell on Windows, so that an elevation prompt can appear). Code 50
// when the player declines that prompt, 51 when the game cannot start, 12 when no
// update run prepared `folder`. Never throws.
[[nodiscard]] Outcome run_start_game_task(UpdateView& view, const UpdatedFolder& folder,
                                          const std::atomic<bool>& stop) noexcept;

// Starts `executable` with `folder` as its working folder; 0 once it started, else
// the platform's error code (1223 on Windows: the elevation prompt was declined).
[[nodiscard]] int start_process(const PathString& folder, const PathString& executable);

inline constexpr int error_cancelled = 1223;

}  // namespace vup
