// The per-user log "updater.log": best effort, append only, one line per call.
#pragma once

#include <chrono>
#include <ctime>
#include <string>
#include <string_view>

#include "fs/platform_path.h"

namespace vup {

inline constexpr unsigned long long log_rotation_threshold = 524288;  // bytes

// Opens the log for this process, rotating a file above 512 KiB to ".1" first.
// Only the first successful opening of a process takes effect; later ones keep the
// stream already open. Never fails its caller.
void open_log();

// open_log for a program that another process has just started and that is about
// to end (the install's hand-over to the copy): while that process still holds the
// log, the opening is tried again every 50 ms for up to `patience`, so that the
// first lines are not lost. Any other failure ends it at once, as open_log.
void open_log_waiting(std::chrono::milliseconds patience);

// Writes "YYYY-mm-dd HH:MM:SS  message\n" (local time) and flushes. Does nothing
// when no log is open. Safe from any thread; lines never mix.
void write_log_line(std::string_view message);

// The log folder: %LOCALAPPDATA%\VelmoraUpdater on Windows,
// $XDG_STATE_HOME/VelmoraUpdater (default ~/.local/state/VelmoraUpdater) on POSIX.
// Empty when the environment does not name one.
[[nodiscard]] PathString log_folder();

// Closes the log, so that another process can open it: the program calls it when
// it hands over to a copy of itself and is about to end. Lines written after it
// go nowhere until the log is opened again.
void close_log();

// One line of the log as written, for the local time `local`.
[[nodiscard]] std::string format_log_line(const std::tm& local, std::string_view message);

}  // namespace vup
