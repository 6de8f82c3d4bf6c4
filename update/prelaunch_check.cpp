#include "update/prelaunch_check.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "fs/file_primitives.h"
#include "fs/game_folder.h"
#include "fs/game_path.h"
#include "update/game_files.h"

namespace vup {

Outcome check_files(Reporter& reporter, const UpdatedFolder& folder, const std::atomic<bool>& stop,
                    bool full_check) {
  reporter.notice(NoticeCode::checking_list);
  reporter.line("Checking the game files...");

  quillfen::updater::UpdateState working = folder.state;
  for (std::size_t i = 0; i < folder.entries.size(); ++i) {
    const quillfen::updater::FileEntry& entry = folder.entries[i];
    if (entry.keep_local) continue;
    if (stop.load()) return reporter.stop(code_stopped, game_not_started_message);

    const std::string changed = entry.path + " has changed since the update. Run the update again to repair it.";
    const std::optional<FileStat> stat = file_stat(folder.local_paths[i]);
    if (!stat || stat->size != entry.size) return reporter.stop(code_file_changed, changed);
    const std::string key = fold_game_path(entry.path);
    // Without its record the file is read; the full check shows each file, as the
    // run does, since reading a whole game takes a while.
    if (full_check) working.files.erase(key);
    const std::string* digest = cached_sha256(working, key, entry.path, folder.local_paths[i], *stat, stop, reporter,
                                              /*checking_line=*/full_check);
    if (stop.load()) return reporter.stop(code_stopped, game_not_started_message);
    if (digest == nullptr || *digest != entry.sha256) return reporter.stop(code_file_changed, changed);
  }

  std::vector<std::string> listed;
  std::string error;
  if (!scan_game_folder(folder.folder, max_listed_files, listed, error, &stop)) {
    if (stop.load()) return reporter.stop(code_stopped, game_not_started_message);
    return reporter.stop(code_write_failed, "cannot check the game folder: " + error + ".");
  }

  std::set<std::string> owned;
  for (const auto& entry : folder.entries) owned.insert(fold_game_path(entry.path));
  std::vector<std::string> foreign;
  for (std::string& path : listed) {
    if (is_watched_file(path) && owned.count(fold_game_path(path)) == 0) foreign.push_back(std::move(path));
  }
  if (foreign.empty()) return Outcome{};

  std::sort(foreign.begin(), foreign.end());
  std::string message = "a file that is not part of the game is in the game folder: " + foreign.front();
  if (foreign.size() > 1) message += " (and " + std::to_string(foreign.size() - 1) + " more)";
  message += ". Remove it, then try again.";
  return reporter.stop(code_foreign_file, message);
}

}  // namespace vup
