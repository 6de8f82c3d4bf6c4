#include "update/update_steps.h"

#include <algorithm>
#include <limits>

#include "base/constants.h"
#include "fs/game_folder.h"
#include "fs/game_path.h"
#include "manifest/envelope.h"
#include "update/download.h"
#include "update/game_files.h"
#include "update/launcher.h"

namespace vup {

using quillfen::updater::FileEntry;
using quillfen::updater::StateRecord;
using quillfen::updater::UpdateState;

GameFolderPaths game_folder_paths(const PathString& game_folder) {
  GameFolderPaths paths;
  paths.folder = game_folder;
  paths.root = long_folder_path(game_folder);
  paths.executable = child_path(paths.root, game_executable);
  paths.state_file = child_path(paths.root, state_file_name);
  return paths;
}

bool load_state(Reporter& reporter, const PathString& state_file, UpdateState& state) {
  std::string text;
  switch (read_whole_file(state_file, static_cast<std::uint32_t>(max_state_file_size), text)) {
    case read_not_found:
      return false;
    case read_ok:
      if (quillfen::updater::parse_update_state(text, state)) return true;
      reporter.line("Note: the saved state was unreadable and is rebuilt (files will be checked again).");
      return false;
    default:
      reporter.line("Note: the saved state could not be read and is rebuilt (files will be checked again).");
      return false;
  }
}

Outcome fetch_manifest(Reporter& reporter, Http& http, std::string& body) {
  if (!http.is_open()) {
    return reporter.stop(code_unreachable, "could not reach the update host (" + http.last_error() + "). Try again later.");
  }
  // Room for the largest manifest accepted, so the body is never copied as it grows.
  body.reserve(max_envelope_size);
  int status = 0;
  const HttpResult fetched = http.get_to_memory("manifest.json", static_cast<std::uint32_t>(max_envelope_size), body, status);
  if (fetched == HttpResult::not_verified) {
    return reporter.stop(code_not_verified,
                         "the update host could not be verified: " + describe_http_result(fetched, status, http) + ".");
  }
  if (fetched != HttpResult::success) {
    return reporter.stop(code_unreachable,
                         "could not check for updates (" + describe_http_result(fetched, status, http) + "). Try again later.");
  }
  return Outcome{};
}

Outcome verify_manifest(Reporter& reporter, std::string_view body, const std::uint8_t (&public_key)[32],
                        UpdatedFolder& folder) {
  const std::int64_t min_seq = std::max(folder.state.last_seq, sequence_floor);
  quillfen::updater::ManifestResult opened = quillfen::updater::open_signed_manifest(body, public_key, min_seq);
  if (opened.error != quillfen::updater::manifest_ok) {
    std::string message = std::string("the update could not be trusted: ") +
                          quillfen::updater::manifest_error_text(opened.error);
    if (!opened.detail.empty()) message += " (" + opened.detail + ")";
    return reporter.stop(code_untrusted, message);
  }
  folder.seq = opened.manifest.seq;
  folder.created = std::move(opened.manifest.created);
  folder.entries = std::move(opened.manifest.files);
  reporter.line("Update list verified: " + std::to_string(folder.entries.size()) + " files.");
  return Outcome{};
}

Outcome map_paths(Reporter& reporter, const PathString& game_folder, UpdatedFolder& folder,
                  std::vector<std::optional<FileStat>>& found) {
  GameFolderInspector inspector(game_folder);
  folder.local_paths.clear();
  folder.local_paths.reserve(folder.entries.size());
  found.clear();
  found.reserve(folder.entries.size());
  for (const FileEntry& entry : folder.entries) {
    // The updater would overwrite or delete such a file as its own; refused here,
    // before anything is written.
    if (is_updater_owned_path(entry.path)) {
      return reporter.stop(code_unsafe_location, "unsafe file location for " + entry.path +
                                                     ": the updater keeps this name for its own files");
    }
    std::string error;
    std::optional<InspectedPath> inspected = inspector.inspect(entry.path, error);
    if (!inspected) return reporter.stop(code_unsafe_location, "unsafe file location for " + entry.path + ": " + error);
    folder.local_paths.push_back(std::move(inspected->local));
    found.push_back(inspected->stat);
  }
  return Outcome{};
}

ManifestKeys::ManifestKeys(const std::vector<FileEntry>& entries) {
  keys_.reserve(entries.size());
  for (const FileEntry& entry : entries) keys_.push_back(fold_game_path(entry.path));
  sorted_entries_.resize(keys_.size());
  for (std::size_t i = 0; i < keys_.size(); ++i) sorted_entries_[i] = i;
  const auto by_key = [this](std::size_t a, std::size_t b) { return keys_[a] < keys_[b]; };
  // A published manifest lists its paths mostly in order already.
  if (!std::is_sorted(sorted_entries_.begin(), sorted_entries_.end(), by_key)) {
    std::sort(sorted_entries_.begin(), sorted_entries_.end(), by_key);
  }
  sorted_.reserve(keys_.size());
  for (const std::size_t i : sorted_entries_) sorted_.emplace_back(keys_[i]);
}

CheckPlan plan_checks(Reporter& reporter, const std::atomic<bool>& stop, UpdatedFolder& folder,
                      const ManifestKeys& keys, const std::vector<std::optional<FileStat>>& found,
                      bool full_check) {
  CheckPlan plan;
  plan.status.reserve(folder.entries.size());
  // The state's record of each entry, found in one walk through the records and
  // the keys in their common order instead of a search per file.
  std::vector<const StateRecord*> records(folder.entries.size(), nullptr);
  auto record = folder.state.files.begin();
  for (std::size_t k = 0; k < keys.sorted().size(); ++k) {
    while (record != folder.state.files.end() && record->first < keys.sorted()[k]) ++record;
    if (record != folder.state.files.end() && record->first == keys.sorted()[k]) {
      records[keys.sorted_entries()[k]] = &record->second;
    }
  }
  for (std::size_t i = 0; i < folder.entries.size(); ++i) {
    const FileEntry& entry = folder.entries[i];
    const std::optional<FileStat>& stat = found[i];
    PlanStatus status = to_download;
    if (stat && entry.keep_local) {
      status = kept;
    } else if (stat && stat->size == entry.size) {
      const std::string* digest = nullptr;
      if (full_check) {
        // Forgotten, so the cache reads the file and records what it holds now.
        // Only this entry's record goes; the other pointers stay valid.
        folder.state.files.erase(keys.of(i));
        records[i] = nullptr;
      }
      if (records[i] != nullptr && record_matches(*records[i], *stat)) {
        digest = &records[i]->sha256;
      } else {
        digest = cached_sha256(folder.state, keys.of(i), entry.path, folder.local_paths[i], *stat, stop, reporter,
                               /*checking_line=*/true, &plan.state_changed);
      }
      if (digest != nullptr && *digest == entry.sha256) status = up_to_date;
    }
    if (status == to_download) {
      plan.download_count += 1;
      plan.download_bytes += entry.size;
    }
    plan.status.push_back(status);
  }
  return plan;
}

Outcome check_free_space(Reporter& reporter, const PathString& root, const CheckPlan& plan) {
  if (plan.download_count == 0) return Outcome{};
  const std::uint64_t needed = plan.download_bytes > std::numeric_limits<std::uint64_t>::max() - free_space_margin
                                   ? std::numeric_limits<std::uint64_t>::max()
                                   : plan.download_bytes + free_space_margin;
  const std::optional<std::uint64_t> free = free_disk_space(root);
  if (!free) {
    const int error = last_error_code();
    return reporter.stop(code_disk_full, "cannot check the free disk space: " + megabytes_text(needed) +
                                             " needed, but the free space of the drive could not be read (error " +
                                             std::to_string(error) + ")");
  }
  if (*free < needed) {
    return reporter.stop(code_disk_full, "not enough free disk space: " + megabytes_text(needed) + " needed, " +
                                             megabytes_text(*free) + " free");
  }
  return Outcome{};
}

namespace {

// The folders a run made for its downloads. Unless the run gets through, those
// still empty are removed again, innermost first; folders that were there before
// stay, empty or not.
class CreatedFolders {
 public:
  CreatedFolders() = default;
  CreatedFolders(const CreatedFolders&) = delete;
  CreatedFolders& operator=(const CreatedFolders&) = delete;
  ~CreatedFolders() {
    if (kept_) return;
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) (void)remove_empty_folder(*folder);
  }
  void keep() { kept_ = true; }

  std::vector<PathString> made;

 private:
  bool kept_ = false;
};

}  // namespace

Outcome download_planned(Reporter& reporter, Http& http, const std::atomic<bool>& stop, UpdatedFolder& folder,
                         const ManifestKeys& keys, const CheckPlan& plan, const PathString& game_folder,
                         const PathString& running_program) {
  CreatedFolders created;
  DownloadProgress progress;
  progress.file_count = plan.download_count;
  progress.bytes_total = plan.download_bytes;
  // The running launcher comes last, once every other file is in place: a run that
  // fails before leaves the launcher as it was, and from its swap on nothing can
  // fail the run.
  const std::optional<std::size_t> launcher = running_launcher_entry(folder.entries, game_folder, running_program);
  std::vector<std::size_t> order;
  order.reserve(plan.download_count);
  for (std::size_t i = 0; i < folder.entries.size(); ++i) {
    if (plan.status[i] == to_download && i != launcher) order.push_back(i);
  }
  if (launcher && plan.status[*launcher] == to_download) order.push_back(*launcher);

  for (const std::size_t i : order) {
    if (stop.load()) return reporter.stop(code_stopped, update_stopped_message);
    const FileEntry& entry = folder.entries[i];
    progress.game_path = entry.path;
    progress.file_number += 1;
    progress.file_bytes = 0;
    progress.file_size = entry.size;

    reporter.notice(NoticeCode::downloading, entry.path);
    reporter.line("[" + std::to_string(progress.file_number) + "/" + std::to_string(progress.file_count) + "] " +
                  entry.path + " (" + megabytes_text(entry.size) + ")");
    if (!create_parent_folders(game_folder, folder.local_paths[i], &created.made)) {
      const int error = last_error_code();
      return reporter.stop(code_write_failed,
                           "cannot create the folder for " + entry.path + " (error " + std::to_string(error) + ")");
    }
    const bool swap = i == launcher;
    Outcome downloaded =
        swap ? download_file(reporter, http, entry, folder.local_paths[i], progress, stop, swap_launcher_into_place,
                             launcher_in_use_message)
             : download_file(reporter, http, entry, folder.local_paths[i], progress, stop);
    if (downloaded.code != code_success) return downloaded;
    if (swap) {
      folder.launcher_replaced = true;
      reporter.line("The launcher was replaced: the new one takes over once the update has finished.");
    }

    progress.bytes_done += entry.size;
    if (const std::optional<FileStat> stat = file_stat(folder.local_paths[i])) {
      folder.state.files[keys.of(i)] = StateRecord{stat->size, static_cast<std::int64_t>(stat->last_write), entry.sha256};
    }
  }
  created.keep();
  return Outcome{};
}

KeptRecords remove_departed_files(Reporter& reporter, const UpdatedFolder& folder, const ManifestKeys& keys,
                                  const PathString& game_folder, bool full_check) {
  KeptRecords keep;
  const std::atomic<bool> never_stop{false};
  // The records and the keys are both in byte order: one walk through both.
  auto listed = keys.sorted().begin();
  for (const auto& [key, record] : folder.state.files) {
    while (listed != keys.sorted().end() && *listed < key) ++listed;
    if (listed != keys.sorted().end() && *listed == key) continue;
    if (!is_watched_file(key) || !is_safe_game_path(key)) continue;
    std::string ignored;
    GameFolderInspector inspector(game_folder);
    const std::optional<InspectedPath> local = inspector.inspect(spelled_game_path(game_folder, key), ignored);
    if (!local || !local->stat) continue;

    const bool installed = (!full_check && local->stat->size == record.size &&
                            static_cast<std::int64_t>(local->stat->last_write) == record.mtime) ||
                           hash_file(local->local, &never_stop) == record.sha256;
    if (!installed) {
      reporter.line("Left " + key + " in place: it is no longer part of the game, but it is not the file the updater installed.");
      continue;
    }
    const int error = delete_file(local->local);
    if (error == 0) {
      reporter.line("Removed " + key + " (no longer part of the game).");
    } else {
      reporter.line("Could not remove " + key + " (error " + std::to_string(error) + "); the next update tries again.");
      keep.emplace_back(key, record);
    }
  }
  return keep;
}

bool keep_state_records(UpdateState& state, const ManifestKeys& keys, const KeptRecords& kept) {
  // The records and the keys are both in byte order: one walk through both.
  std::size_t dropped = 0;
  auto listed = keys.sorted().begin();
  for (auto record = state.files.begin(); record != state.files.end();) {
    while (listed != keys.sorted().end() && *listed < record->first) ++listed;
    if (listed != keys.sorted().end() && *listed == record->first) {
      ++record;
    } else {
      record = state.files.erase(record);
      ++dropped;
    }
  }
  std::size_t put_back = 0;
  for (const auto& [key, record] : kept) {
    if (put_back == max_kept_state_records) break;
    if (state.files.emplace(key, record).second) ++put_back;
  }
  return dropped != 0 || put_back != 0;
}

void save_state(Reporter& reporter, UpdatedFolder& folder, const PathString& state_file, bool changed,
                const std::atomic<bool>& stop) {
  if (folder.seq > folder.state.last_seq) {
    folder.state.last_seq = folder.seq;
    changed = true;
  }
  if (!changed) return;
  const std::string text = quillfen::updater::serialize_update_state(folder.state);
  if (!write_file_atomically(state_file, text.data(), static_cast<std::uint32_t>(text.size()), &stop)) {
    reporter.line("Note: could not save the update state; files will be checked again next time.");
  }
}

}  // namespace vup
