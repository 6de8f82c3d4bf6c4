// The installer's first decision at start (and on Retry): update the game folder,
// install here at once, ask before installing here or into the subfolder, or say
// why this folder cannot hold the game. Also the two later checks the main button
// makes: whether the folder changed while the prompt waited, and whether a retry
// runs as an install.
#pragma once

#include <string>

#include "fs/platform_path.h"
#include "install/folder_check.h"

namespace vup {

enum class FirstStep {
  cannot_hold,       // show status and detail as a failure; Retry decides again
  update,            // post the update run (task 1)
  install_here,      // write the marker and post the installing run (task 3)
  prompt_here,       // ask with status as the heading; Install then installs here
  prompt_elsewhere,  // ask with status as the heading; Install then copies the program to `target`
};

struct FirstDecision {
  FirstStep step = FirstStep::cannot_hold;
  std::string status;  // the status line (a prompt's heading)
  std::string detail;  // the detail line, UTF-8
  bool error = false;  // the detail is a failure
  PathString target;   // prompt_elsewhere: the subfolder to install into; else the game folder
};

// The step for `check`; `install_mode` is set when the program was started with
// "--install", which installs into a folder holding only the program, or one
// whose marker names another folder, without asking.
[[nodiscard]] FirstDecision decide_first_step(const FolderCheck& check, bool install_mode);

// Whether a new check differs from the one that put up the prompt: it cannot hold
// the game now, or its kind or target differ. The decision is then made again.
[[nodiscard]] bool folder_changed(const FolderCheck& prompted, const FolderCheck& now);

// Whether Retry after a failure runs the update as an install (task 3): an install
// was started by this process and the game executable has not arrived yet.
[[nodiscard]] bool retry_runs_install(bool install_started, bool game_executable_present);

// Whether "KSLv41.exe" exists as a file in `game_folder`.
[[nodiscard]] bool game_executable_present(const PathString& game_folder);

}  // namespace vup
