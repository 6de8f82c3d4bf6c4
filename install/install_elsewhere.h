// Installing into the subfolder: the program copies itself there and starts the
// copy with "--install"; the copy then installs without asking. Between the copy
// and the start the caller releases the single-instance mutex, so the copy can
// become the running instance. The texts are portable; the two actions exist on
// Windows only.
#pragma once

#include <string>
#include <string_view>

#include "fs/platform_path.h"

namespace vup {

struct InstallElsewhereResult {
  bool ok = false;
  int error = 0;         // the platform's error code of a failure
  std::string status;    // a failure's status line
  std::string detail;    // a failure's detail line (UTF-8)
  std::string log_line;  // a started copy's log line
};

inline constexpr char install_elsewhere_failed[] = "The game folder could not be made";

// target + separator + the file name of `program`.
[[nodiscard]] PathString program_copy_path(const PathString& target, const PathString& program);

// "Could not copy VelmoraUpdater.exe into <target> (error N). Put ..., then try again."
[[nodiscard]] std::string copy_failure_detail(std::string_view target_utf8, int error);
// "Could not start <destination> (error N)."
[[nodiscard]] std::string start_failure_detail(std::string_view destination_utf8, int error);
// "install: started the launcher in <target, non-ASCII as ?>"
[[nodiscard]] std::string started_log_line(const PathString& target);

#ifdef _WIN32
// Creates `target` (an existing folder is fine) and copies `program` into it,
// replacing an older copy. A failure carries the copy's error code and texts.
[[nodiscard]] InstallElsewhereResult copy_program(const PathString& program, const PathString& target);

// Starts `destination` through the shell with the argument "--install" in
// `target`, shown normally. A failure carries the start's error code and texts.
[[nodiscard]] InstallElsewhereResult start_program_copy(const PathString& target, const PathString& destination);
#endif

}  // namespace vup
