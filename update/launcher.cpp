#include "update/launcher.h"

#include "base/constants.h"
#include "fs/file_primitives.h"
#include "fs/game_folder.h"
#include "fs/game_path.h"
#include "fs/swap_file.h"
#include "update/game_files.h"

namespace vup {
namespace {

PathChar lower_ascii(PathChar c) { return c >= 'A' && c <= 'Z' ? static_cast<PathChar>(c - 'A' + 'a') : c; }

bool same_folded(PathView a, PathView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower_ascii(a[i]) != lower_ascii(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::size_t> running_launcher_entry(const std::vector<quillfen::updater::FileEntry>& entries,
                                                  const PathString& game_folder, const PathString& running_program) {
  if (running_program.empty() || game_folder.empty()) return std::nullopt;
  if (!same_folded(running_program, child_path(game_folder, updater_executable))) return std::nullopt;
  const std::string launcher = fold_game_path(updater_executable);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (fold_game_path(entries[i].path) == launcher) return i;
  }
  return std::nullopt;
}

std::vector<PathString> launcher_backups(const PathString& root) {
  std::vector<PathString> backups;
  backups.reserve(launcher_backup_count);
  for (int i = 0; i < launcher_backup_count; ++i) backups.push_back(child_path(root, launcher_backup_name(i)));
  return backups;
}

RetriedMove swap_launcher_into_place(const PathString& temporary, const PathString& destination,
                                     const PauseFunction& pause) {
  const PathString root = destination.substr(0, destination.find_last_of(path_separator));
  return swap_running_file(temporary, destination, launcher_backups(root), pause);
}

std::vector<KeptBackup> remove_launcher_backups(const PathString& game_folder, const PauseFunction& pause,
                                                int longest_wait_ms) {
  const std::vector<PathString> backups = launcher_backups(long_folder_path(game_folder));
  std::vector<int> errors(backups.size(), 0);
  // One try deletes every backup there is; the wait goes on while one is held.
  const auto delete_all = [&] {
    int held = 0;
    for (std::size_t i = 0; i < backups.size(); ++i) {
      errors[i] = file_stat(backups[i]) ? delete_file(backups[i]) : 0;
      if (held == 0 && is_in_use_error(errors[i])) held = errors[i];
    }
    return held;
  };
  (void)retry_while_held(delete_all, is_in_use_error, pause, longest_wait_ms);
  std::vector<KeptBackup> kept;
  for (std::size_t i = 0; i < backups.size(); ++i) {
    if (errors[i] != 0) kept.push_back(KeptBackup{launcher_backup_name(static_cast<int>(i)), errors[i]});
  }
  return kept;
}

}  // namespace vup
