// Moves that wait for a file another program holds for a moment: a virus scanner
// or an indexer opens a file just when it has been written or is about to be
// replaced, and the move fails with a sharing violation or access denied until it
// lets go. The download's move, the small-file writes and a later swap of two
// files all wait here, in one way.
#pragma once

#include <atomic>
#include <functional>

#include "fs/platform_path.h"

namespace vup {

// The longest wait for a held file, and the pauses between tries: the first
// short, each one twice the one before, none longer than a second.
inline constexpr int held_file_wait_ms = 10000;
inline constexpr int first_held_pause_ms = 50;
inline constexpr int longest_held_pause_ms = 1000;

struct RetriedMove {
  int error = 0;         // 0, or the platform's error code of the last try
  bool stopped = false;  // the stop flag ended the wait (error is then the held one)
};

// Waits `milliseconds`; false as soon as the stop flag is set.
using PauseFunction = std::function<bool(int milliseconds)>;

// Runs `attempt` (0 or the platform's error code) until it succeeds, fails for
// another reason than `is_held` says, or the file stays held through pauses that
// add up to `longest_wait_ms`; the last error is then the result. `pause` taking
// false ends the wait at once as stopped.
[[nodiscard]] RetriedMove retry_while_held(const std::function<int()>& attempt, bool (*is_held)(int error),
                                           const PauseFunction& pause, int longest_wait_ms = held_file_wait_ms);

// Waits `milliseconds` in steps of at most 100 ms, reading `stop` (when given)
// before each; false as soon as it is set.
[[nodiscard]] bool pause_unless_stopped(int milliseconds, const std::atomic<bool>* stop);

// replace_file, waiting while another program holds the source or the
// destination (is_in_use_error), reading `stop` at least every 100 ms.
[[nodiscard]] RetriedMove replace_file_when_free(const PathString& source, const PathString& destination,
                                                 const std::atomic<bool>* stop);

}  // namespace vup
