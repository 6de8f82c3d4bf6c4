#include "update/download.h"

#include <optional>
#include <string>

#include "fs/file_primitives.h"
#include "update/game_files.h"

namespace vup {

RetriedMove replace_when_free(const PathString& temporary, const PathString& destination, const PauseFunction& pause) {
  return retry_while_held([&] { return replace_file(temporary, destination); }, is_in_use_error, pause);
}

Outcome download_file(Reporter& reporter, Http& http, const quillfen::updater::FileEntry& entry,
                      const PathString& destination, DownloadProgress progress, const std::atomic<bool>& stop,
                      const PlaceFile& place, std::string_view in_use_message) {
  const PathString temporary = destination + widen_bytes(download_suffix);
  const std::string remote = "files/" + entry.sha256;
  const std::uint64_t done_before = progress.bytes_done - progress.file_bytes;

  for (int attempt = 1;; ++attempt) {
    remove_file(temporary);
    OutputFile file;
    if (!file.create(temporary)) {
      const int error = last_error_code();
      return reporter.stop(code_write_failed,
                           "cannot create " + display_path(temporary) + " (error " + std::to_string(error) + ")");
    }

    Sha256 hash;
    bool stopped = false;
    bool write_failed = false;
    progress.file_bytes = 0;
    const DataSink sink = [&](const std::uint8_t* bytes, std::uint32_t count) {
      if (stop.load()) {
        stopped = true;
        return false;
      }
      hash.update(bytes, count);
      if (!file.write_all(bytes, count)) {
        write_failed = true;
        return false;
      }
      progress.file_bytes += count;
      progress.bytes_done = done_before + progress.file_bytes;
      reporter.progress(progress);
      return true;
    };
    int status = 0;
    HttpResult result;
    try {
      result = http.get_to_sink(remote, entry.size, sink, status);
    } catch (...) {
      // Out of memory in the sink: no partial file stays behind; the task reports it.
      file.close();
      remove_file(temporary);
      throw;
    }

    const auto discard = [&] {
      file.close();
      remove_file(temporary);
    };
    if (stopped) {
      discard();
      return reporter.stop(code_stopped, update_stopped_message);
    }
    if (result == HttpResult::not_verified) {
      discard();
      return reporter.stop(code_not_verified, entry.path + ": " + describe_http_result(result, status, http));
    }
    if (write_failed) {
      discard();
      return reporter.stop(code_write_failed, "cannot write to the disk (is it full?)");
    }

    std::string error;
    if (result != HttpResult::success) {
      error = describe_http_result(result, status, http);
    } else if (progress.file_bytes != entry.size) {
      error = "the file arrived with the wrong size (" + std::to_string(progress.file_bytes) + " bytes, expected " +
              std::to_string(entry.size) + ")";
    } else if (!file.flush_and_close()) {
      error = "cannot flush the file to the disk";
    } else if (hash.finish_hex() != std::optional<std::string>(entry.sha256)) {
      error = "the file arrived damaged (its hash does not match the manifest)";
    }

    if (error.empty()) {
      // The checked file waits while a scanner holds it or the old one; the log
      // says so once.
      bool said = false;
      const PauseFunction pause = [&](int milliseconds) {
        if (!said) {
          reporter.line("  " + entry.path + " is held by another program; trying again for up to " +
                        std::to_string(held_file_wait_ms / 1000) + " s.");
          said = true;
        }
        return pause_unless_stopped(milliseconds, &stop);
      };
      const RetriedMove placed = place(temporary, destination, pause);
      if (placed.error == 0) return Outcome{};
      remove_file(temporary);
      if (placed.stopped) return reporter.stop(code_stopped, update_stopped_message);
      if (is_in_use_error(placed.error)) {
        return reporter.stop(code_in_use, in_use_message.empty()
                                              ? entry.path + " is in use. Close the game and run VelmoraUpdater again."
                                              : std::string(in_use_message));
      }
      return reporter.stop(code_write_failed,
                           "cannot replace " + entry.path + " (error " + std::to_string(placed.error) + ")");
    }

    discard();
    reporter.line("  " + entry.path + ": " + error + " (attempt " + std::to_string(attempt) + " of " +
                  std::to_string(download_attempts) + ")");
    if (attempt == download_attempts) return reporter.stop(code_download_failed, entry.path + ": " + error);
    if (!pause_unless_stopped(attempt == 1 ? 1500 : 3000, &stop)) return reporter.stop(code_stopped, update_stopped_message);
  }
}

}  // namespace vup
