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
  PathString program;    // the copy made (its path)
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

// Starts `program` through the shell with `arguments` in `folder`, shown normally
// (the copy with "--install"). False with the platform's error code (never 0) when
// it did not start.
[[nodiscard]] bool start_program(const PathString& program, const PathString& folder, const PathString& arguments,
                                 int& error);
#endif

}  // namespace vup
