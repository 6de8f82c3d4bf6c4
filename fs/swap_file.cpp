#include "fs/swap_file.h"

namespace vup {
namespace {

// Step 1: the running file to the first backup name it can take. The error of the
// first name when it takes none: a held running file fails every name alike. With
// no names at all it stays, and step 2 is a plain replacement.
int move_aside(const SwapSteps& steps, const PathString& running, const std::vector<PathString>& backups,
               const PathString*& taken) {
  int first_error = 0;
  for (const PathString& backup : backups) {
    const int error = steps.move(running, backup);
    if (error == 0) {
      taken = &backup;
      return 0;
    }
    if (first_error == 0) first_error = error;
  }
  return first_error;
}

// Step 3: the old file back under its name, moved or else copied. Waits for a held
// file whatever the stop flag says: a folder without its program is the one
// outcome worse than a slow stop.
bool put_back(const SwapSteps& steps, const PathString& backup, const PathString& running) {
  const PauseFunction unstoppable = [](int milliseconds) { return pause_unless_stopped(milliseconds, nullptr); };
  const RetriedMove moved = retry_while_held([&] { return steps.move(backup, running); }, steps.is_held, unstoppable);
  return moved.error == 0 || steps.copy(backup, running) == 0;
}

}  // namespace

SwapSteps disk_swap_steps() { return SwapSteps{replace_file, copy_file, is_in_use_error}; }

RetriedMove swap_running_file(const PathString& replacement, const PathString& running,
                              const std::vector<PathString>& backups, const PauseFunction& pause,
                              const SwapSteps& steps) {
  bool name_empty = false;  // both ways back failed: the next try only moves the new file in
  const auto swap_once = [&]() -> int {
    const PathString* backup = nullptr;
    if (!name_empty) {
      const int aside = move_aside(steps, running, backups, backup);
      if (aside != 0) return aside;
    }
    const int placed = steps.move(replacement, running);
    if (placed == 0) {
      name_empty = false;
      return 0;
    }
    if (backup != nullptr) name_empty = !put_back(steps, *backup, running);
    return placed;
  };
  return retry_while_held(swap_once, steps.is_held, pause);
}

}  // namespace vup
