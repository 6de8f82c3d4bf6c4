// The platform half of the log: local time and the opening of the log file.
// Implemented by log_win.cpp and log_posix.cpp; only log.cpp uses it.
#pragma once

#include <cstdio>
#include <ctime>

#include "fs/platform_path.h"

namespace vup::detail {

// The local time of `when`; false when the platform cannot convert it.
[[nodiscard]] bool to_local_time(std::time_t when, std::tm& local);

// Creates `folder` when missing, moves a log above the threshold to its ".1"
// name, and opens the log for appending in binary mode, without sharing where
// the platform has sharing modes. Null when it cannot be opened; `in_use` then
// says whether that was because another opener holds the file (only where the
// platform has sharing modes).
[[nodiscard]] std::FILE* open_log_file(const PathString& folder, bool& in_use);

}  // namespace vup::detail
