#include "update/update_run.h"

#include <algorithm>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "fs/file_primitives.h"
#include "fs/game_folder.h"
#include "fs/game_path.h"
#include "log/log.h"
#include "manifest/base64.h"
#include "manifest/envelope.h"
#include "net/http.h"
#include "update/download.h"
#include "update/game_files.h"

namespace vup {
namespace {

using quillfen::updater::FileEntry;
using quillfen::updater::StateRecord;
using quillfen::updater::UpdateState;

enum PlanStatus { up_to_date = 0, kept = 1, to_download = 2 };

struct CheckPlan {
  std::vector<PlanStatus> status;  // one per manifest entry
  std::uint32_t download_count = 0;
  std::uint64_t download_bytes = 0;
};

void load_state(Reporter& reporter, const PathString& state_path, UpdateState& state) {
  std::string text;
  switch (read_whole_file(state_path, quillfen::updater::max_state_file_size, text)) {
    case read_not_found:
      break;
    case read_ok:
      if (!quillfen::updater::parse_update_state(text, state)) {
        reporter.line("Note: the saved state was unreadable and is rebuilt (files will be checked again).");
      }
      break;
    default:
      reporter.line("Note: the saved state could not be read and is rebuilt (files will be checked again).");
      break;
  }
}

CheckPlan plan_checks(Reporter& reporter, const std::atomic<bool>& stop, UpdatedFolder& folder) {
  CheckPlan plan;
  plan.status.reserve(folder.entries.size());
  for (std::size_t i = 0; i < folder.entries.size(); ++i) {
    const FileEntry& entry = folder.entries[i];
    const std::optional<FileStat> stat = file_stat(folder.local_paths[i]);
    PlanStatus status = to_download;
    if (stat && entry.keep_local) {
      status = kept;
    } else if (stat && stat->size == entry.size) {
      const auto digest = cached_sha256(folder.state, entry.path, folder.local_paths[i], *stat, stop, reporter,
                                        /*checking_line=*/true);
      if (digest == entry.sha256) status = up_to_date;
    }
    if (status == to_download) {
      plan.download_count += 1;
      plan.download_bytes += entry.size;
    }
    plan.status.push_back(status);
  }
  return plan;
}

// Removes the ".dll" and ".rk" files the state knows and the manifest no longer
// lists, when they are still the files this updater installed. Returns the records
// to keep (files that could not be removed, to be tried again next time).
std::vector<std::pair<std::string, StateRecord>> remove_departed_files(Reporter& reporter, UpdatedFolder& folder,
                                                                       const PathString& game_folder,
                                                                       const std::set<std::string>& listed) {
  std::vector<std::pair<std::string, StateRecord>> keep;
  const std::atomic<bool> never_stop{false};
  for (const auto& [key, record] : folder.state.files) {
    if (!is_watched_file(key) || listed.count(key) != 0 || !is_safe_game_path(key)) continue;
    std::string ignored;
    const std::optional<PathString> local =
        inspect_game_path(game_folder, spelled_game_path(game_folder, key), ignored);
    if (!local) continue;
    const std::optional<FileStat> stat = file_stat(*local);
    if (!stat) continue;

    const bool installed = (stat->size == record.size && static_cast<std::int64_t>(stat->last_write) == record.mtime) ||
                           hash_file(*local, &never_stop) == record.sha256;
    if (!installed) {
      reporter.line("Left " + key + " in place: it is no longer part of the game, but it is not the file the updater installed.");
      continue;
    }
    const int error = delete_file(*local);
    if (error == 0) {
      reporter.line("Removed " + key + " (no longer part of the game).");
    } else {
      reporter.line("Could not remove " + key + " (error " + std::to_string(error) + "); the next update tries again.");
      keep.emplace_back(key, record);
    }
  }
  return keep;
}

}  // namespace

Outcome run_update_impl(Reporter& reporter, const std::atomic<bool>& stop, UpdatedFolder& folder, bool installing,
                        const UpdateSettings& settings) {
  const PathString game_folder = settings.game_folder.empty() ? program_folder() : settings.game_folder;
  if (game_folder.empty()) return reporter.stop(code_no_game_folder, "cannot find the game folder");

  if (!installing && !file_stat(child_path(game_folder, game_executable))) {
    return reporter.stop(code_game_missing, std::string(game_executable) +
                                                " was not found next to VelmoraUpdater.exe. Put VelmoraUpdater.exe in the game folder.");
  }

  std::uint8_t public_key[32];
  if (!quillfen::updater::decode_builtin_key(settings.public_key, public_key)) {
    return reporter.stop(code_internal, "internal error: the built-in key is malformed");
  }

  const PathString state_path = child_path(game_folder, quillfen::updater::state_file_name);
  load_state(reporter, state_path, folder.state);

  reporter.notice(NoticeCode::checking_updates);
  reporter.line("Checking for updates...");

  Http http(settings.update_url, /*allow_plain_http=*/false);
  if (!http.is_open()) {
    return reporter.stop(code_unreachable, "could not reach the update host (" + http.last_error() + "). Try again later.");
  }
  std::string body;
  int status = 0;
  const HttpResult fetched = http.get_to_memory("manifest.json", manifest_limit, body, status);
  if (fetched == HttpResult::not_verified) {
    return reporter.stop(code_not_verified,
                         "the update host could not be verified: " + describe_http_result(fetched, status, http) + ".");
  }
  if (fetched != HttpResult::success) {
    return reporter.stop(code_unreachable,
                         "could not check for updates (" + describe_http_result(fetched, status, http) + "). Try again later.");
  }
  if (stop.load()) return reporter.stop(code_stopped, update_stopped_message);

  reporter.notice(NoticeCode::checking_list);
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

  folder.local_paths.reserve(folder.entries.size());
  for (const FileEntry& entry : folder.entries) {
    std::string error;
    std::optional<PathString> local = inspect_game_path(game_folder, entry.path, error);
    if (!local) return reporter.stop(code_unsafe_location, "unsafe file location for " + entry.path + ": " + error);
    folder.local_paths.push_back(std::move(*local));
  }

  const CheckPlan plan = plan_checks(reporter, stop, folder);
  if (stop.load()) return reporter.stop(code_stopped, update_stopped_message);
  reporter.line(std::to_string(folder.entries.size() - plan.download_count) + " files are up to date, " +
                std::to_string(plan.download_count) + " to download (" + megabytes_text(plan.download_bytes) + ").");

  if (plan.download_count != 0) {
    const std::uint64_t needed = plan.download_bytes > std::numeric_limits<std::uint64_t>::max() - free_space_margin
                                     ? std::numeric_limits<std::uint64_t>::max()
                                     : plan.download_bytes + free_space_margin;
    const std::uint64_t free = free_disk_space(game_folder);
    if (free < needed) {
      return reporter.stop(code_disk_full, "not enough free disk space: " + megabytes_text(needed) + " needed, " +
                                               megabytes_text(free) + " free");
    }
  }

  DownloadProgress progress;
  progress.file_count = plan.download_count;
  progress.bytes_total = plan.download_bytes;
  for (std::size_t i = 0; i < folder.entries.size(); ++i) {
    if (plan.status[i] != to_download) continue;
    if (stop.load()) return reporter.stop(code_stopped, update_stopped_message);
    const FileEntry& entry = folder.entries[i];
    progress.game_path = entry.path;
    progress.file_number += 1;
    progress.file_bytes = 0;
    progress.file_size = entry.size;

    reporter.notice(NoticeCode::downloading, entry.path);
    reporter.line("[" + std::to_string(progress.file_number) + "/" + std::to_string(progress.file_count) + "] " +
                  entry.path + " (" + megabytes_text(entry.size) + ")");
    if (!create_parent_folders(game_folder, folder.local_paths[i])) {
      const int error = last_error_code();
      return reporter.stop(code_write_failed,
                           "cannot create the folder for " + entry.path + " (error " + std::to_string(error) + ")");
    }
    Outcome downloaded = download_file(reporter, http, entry, folder.local_paths[i], progress, stop);
    if (downloaded.code != code_success) return downloaded;

    progress.bytes_done += entry.size;
    if (const std::optional<FileStat> stat = file_stat(folder.local_paths[i])) {
      folder.state.files[fold_game_path(entry.path)] =
          StateRecord{stat->size, static_cast<std::int64_t>(stat->last_write), entry.sha256};
    }
  }

  reporter.notice(NoticeCode::finishing);
  std::set<std::string> listed;
  for (const FileEntry& entry : folder.entries) listed.insert(fold_game_path(entry.path));
  const auto kept_records = remove_departed_files(reporter, folder, game_folder, listed);
  std::erase_if(folder.state.files, [&](const auto& record) { return listed.count(record.first) == 0; });
  for (const auto& [key, record] : kept_records) folder.state.files.emplace(key, record);

  folder.state.last_seq = std::max(folder.state.last_seq, folder.seq);
  const std::string text = quillfen::updater::serialize_update_state(folder.state);
  if (!write_file_atomically(state_path, text.data(), static_cast<std::uint32_t>(text.size()))) {
    reporter.line("Note: could not save the update state; files will be checked again next time.");
  }

  folder.folder = game_folder;
  folder.ready = true;
  reporter.notice(NoticeCode::up_to_date);
  reporter.line("Up to date.");
  return Outcome{};
}

Outcome run_update_task(UpdateView& view, const std::atomic<bool>& stop, UpdatedFolder& folder, bool installing,
                        const UpdateSettings& settings) noexcept {
  try {
    folder.reset();
    open_log();
    write_log_line("VelmoraUpdater");
    view.line("VelmoraUpdater");
    Reporter reporter(view);
    Outcome outcome = run_update_impl(reporter, stop, folder, installing, settings);
    if (outcome.code != code_success) folder.reset();
    return outcome;
  } catch (...) {
    folder.reset();
    return unexpected_error_outcome("unexpected error");
  }
}

}  // namespace vup
