#include "update/start_game.h"

#include <string>

#include "update/game_files.h"
#include "update/prelaunch_check.h"
#include "update/reporter.h"

namespace vup {
namespace {

Outcome start_game(Reporter& reporter, const UpdatedFolder& folder, const std::atomic<bool>& stop) {
  if (!folder.usable()) return reporter.stop(code_internal, "internal error: the game folder was not updated first");
  if (stop.load()) return reporter.stop(code_stopped, game_not_started_message);
  Outcome checked = check_files(reporter, folder, stop);
  if (checked.code != code_success) return checked;
  if (stop.load()) return reporter.stop(code_stopped, game_not_started_message);

  const int error = start_process(folder.folder, child_path(folder.folder, game_executable));
  if (error == 0) {
    reporter.line(std::string("Started ") + game_executable + ".");
    return Outcome{};
  }
  if (error == error_cancelled) {
    return reporter.stop(code_elevation_declined,
                         "the game needs administrator permission to start, and the permission prompt was declined. "
                         "The game files are up to date; start the game again and accept the prompt.");
  }
  return reporter.stop(code_start_failed, "could not start the game (error " + std::to_string(error) + ")");
}

}  // namespace

Outcome run_start_game_task(UpdateView& view, const UpdatedFolder& folder, const std::atomic<bool>& stop) noexcept {
  try {
    Reporter reporter(view);
    return start_game(reporter, folder, stop);
  } catch (...) {
    return unexpected_error_outcome("unexpected error while starting the game");
  }
}

}  // namespace vup
