// Putting a new file under the name of a running program. Windows lets the file of
// a running program be renamed, but neither replaced nor deleted until the program
// has ended; so the old file goes aside first and the new one takes its name.
#pragma once

#include <functional>
#include <vector>

#include "fs/file_primitives.h"
#include "fs/platform_path.h"
#include "fs/retry_while_held.h"

namespace vup {

// What a swap does to the disk, given apart so that tests can fail any one step.
struct SwapSteps {
  // Moves a file to another name, replacing what is there (replace_file).
  std::function<int(const PathString& source, const PathString& destination)> move;
  // Copies a file to a name where nothing is (copy_file).
  std::function<int(const PathString& source, const PathString& destination)> copy;
  // Whether an error says that another program holds a file for now.
  bool (*is_held)(int error) = is_in_use_error;
};

// The steps on the disk.
[[nodiscard]] SwapSteps disk_swap_steps();

// Puts `replacement` under the name `running`:
// 1. `running` moves aside to the first of `backups` (at least one) that it can
//    take: an older file there is replaced, and one that cannot be (a copy of the
//    program still runs from it) is passed over for the next name;
// 2. `replacement` moves to `running`;
// 3. if step 2 fails, the old file moves back, or failing that is copied back.
// While another program holds a file, the swap waits through `pause` and tries
// again, each time with the old file back under the name first: the name is empty
// only between two moves that follow each other at once. Putting the old file back
// waits for a held file too, and is never cut short by a stop.
// The result is 0 with the new file under the name, else the error of step 1 or 2
// with the old file under it (`stopped` when `pause` ended a wait). Only when both
// ways back fail is the name left empty; a later try then moves the new file in.
[[nodiscard]] RetriedMove swap_running_file(const PathString& replacement, const PathString& running,
                                            const std::vector<PathString>& backups, const PauseFunction& pause,
                                            const SwapSteps& steps = disk_swap_steps());

}  // namespace vup
