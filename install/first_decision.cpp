#include "install/first_decision.h"

#include "fs/file_primitives.h"
#include "fs/utf8_path.h"
#include "update/game_files.h"

namespace vup {
namespace {

FirstDecision prompt(FirstStep step, const PathString& folder, const char* heading) {
  FirstDecision decision;
  decision.step = step;
  decision.status = heading;
  decision.detail = "The game will be downloaded into: " + path_to_utf8(folder);
  decision.target = folder;
  return decision;
}

}  // namespace

FirstDecision decide_first_step(const FolderCheck& check, bool install_mode) {
  FirstDecision decision;
  decision.target = check.target;
  if (check.cannot_hold) {
    decision.step = FirstStep::cannot_hold;
    decision.status = "This folder can't hold the game";
    decision.detail = check.message;
    decision.error = true;
    return decision;
  }
  switch (check.kind) {
    case FolderKind::game:
      decision.step = FirstStep::update;
      decision.status = "Checking for updates...";
      return decision;
    case FolderKind::install_started:
      break;
    case FolderKind::updater_alone:
    case FolderKind::install_moved:
      if (install_mode) break;
      return prompt(FirstStep::prompt_here, check.target,
                    check.kind == FolderKind::install_moved ? "Finish installing the game?" : "Install the game?");
    case FolderKind::other:
      return prompt(FirstStep::prompt_elsewhere, check.target,
                    check.unfinished_subfolder ? "Finish installing the game?" : "Install the game?");
  }
  decision.step = FirstStep::install_here;
  decision.status = "Checking for updates...";
  return decision;
}

bool folder_changed(const FolderCheck& prompted, const FolderCheck& now) {
  return now.cannot_hold || now.kind != prompted.kind || now.target != prompted.target;
}

bool retry_runs_install(bool install_started, bool game_executable_present) {
  return install_started && !game_executable_present;
}

bool game_executable_present(const PathString& game_folder) {
  return file_stat(child_path(game_folder, game_executable)).has_value();
}

}  // namespace vup
