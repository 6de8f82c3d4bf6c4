// The common vocabulary of the update engine: the result of every task, its
// codes and the short texts the screen shows for them, and the number formats
// used in messages.
#pragma once

#include <cstdint>
#include <string>

namespace vup {

enum OutcomeCode : int {
  code_success = 0,
  code_no_game_folder = 10,
  code_game_missing = 11,
  code_internal = 12,
  code_unreachable = 20,
  code_untrusted = 21,
  code_unsafe_location = 22,
  code_file_changed = 23,
  code_foreign_file = 24,
  code_not_verified = 25,
  code_disk_full = 30,
  code_download_failed = 31,
  code_in_use = 32,
  code_write_failed = 33,
  code_stopped = 40,
  code_elevation_declined = 50,
  code_start_failed = 51,
  code_unexpected = 60,
};

// The two messages of a task ended by the stop flag.
inline constexpr char update_stopped_message[] =
    "the update was stopped before it finished. Run VelmoraUpdater again to finish it.";
inline constexpr char game_not_started_message[] = "the game was not started because the updater was closed.";

struct Outcome {
  std::int32_t code = code_success;
  std::string message;  // UTF-8, begins in lower case; empty on success
};

// The status line for a code: "Ready." for 0 and 50, "Something went wrong" for
// any code outside the table.
[[nodiscard]] const char* outcome_short_text(int code);

// bytes / 1048576 with one decimal and " MB": 1572864 gives "1.5 MB".
[[nodiscard]] std::string megabytes_text(std::uint64_t bytes);

}  // namespace vup
