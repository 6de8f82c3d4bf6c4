#include "update/update_run.h"

#include <string>
#include <vector>

#include "fs/file_primitives.h"
#include "log/log.h"
#include "manifest/base64.h"
#include "update/game_files.h"
#include "update/update_steps.h"

namespace vup {

Outcome run_update_impl(Reporter& reporter, const std::atomic<bool>& stop, UpdatedFolder& folder, bool installing,
                        const UpdateSettings& settings) {
  const PathString game_folder = settings.game_folder.empty() ? program_folder() : settings.game_folder;
  if (game_folder.empty()) return reporter.stop(code_no_game_folder, "cannot find the game folder");
  const GameFolderPaths paths = game_folder_paths(game_folder);

  if (!installing && !file_stat(paths.executable)) {
    return reporter.stop(code_game_missing, std::string(game_executable) +
                                                " was not found next to VelmoraUpdater.exe. Put VelmoraUpdater.exe in the game folder.");
  }
  std::uint8_t public_key[32];
  if (!quillfen::updater::decode_builtin_key(settings.public_key, public_key)) {
    return reporter.stop(code_internal, "internal error: the built-in key is malformed");
  }

  // Read the saved state, then fetch and verify the list. A state that was not
  // read is written at the end, whatever happens in between.
  bool state_changed = !load_state(reporter, paths.state_file, folder.state);
  reporter.notice(NoticeCode::checking_updates);
  reporter.line("Checking for updates...");
  Http http(settings.update_url, /*allow_plain_http=*/false);
  std::string body;
  if (Outcome fetched = fetch_manifest(reporter, http, body); fetched.code != code_success) return fetched;
  if (stop.load()) return reporter.stop(code_stopped, update_stopped_message);
  reporter.notice(NoticeCode::checking_list);
  if (Outcome verified = verify_manifest(reporter, body, public_key, folder); verified.code != code_success) {
    return verified;
  }
  body = std::string();

  // Map the paths and plan.
  std::vector<std::optional<FileStat>> found;
  if (Outcome mapped = map_paths(reporter, game_folder, folder, found); mapped.code != code_success) return mapped;
  const ManifestKeys keys(folder.entries);
  if (settings.full_check) reporter.line("Full check: every game file is read, whatever the saved state says.");
  const CheckPlan plan = plan_checks(reporter, stop, folder, keys, found, settings.full_check);
  if (stop.load()) return reporter.stop(code_stopped, update_stopped_message);
  reporter.line(std::to_string(folder.entries.size() - plan.download_count) + " files are up to date, " +
                std::to_string(plan.download_count) + " to download (" + megabytes_text(plan.download_bytes) + ").");

  // Check the space and download.
  if (Outcome space = check_free_space(reporter, paths.root, plan); space.code != code_success) return space;
  if (Outcome downloaded = download_planned(reporter, http, stop, folder, keys, plan, game_folder,
                                                   settings.running_program);
      downloaded.code != code_success) {
    return downloaded;
  }

  // Settle the state.
  reporter.notice(NoticeCode::finishing);
  const KeptRecords kept = remove_departed_files(reporter, folder, keys, game_folder, settings.full_check);
  state_changed |= plan.state_changed || plan.download_count != 0;
  state_changed |= keep_state_records(folder.state, keys, kept);
  save_state(reporter, folder, paths.state_file, state_changed, stop);

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
