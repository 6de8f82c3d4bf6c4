// The engine's view of the window: notices and task results become records posted
// to the window, and progress is handed over through one shared snapshot so that
// at most one progress message is queued at any time (the latest snapshot wins).
//
// The view keeps every record it posts until the window claims it. Any process on
// the desktop can post the same message number with any parameter, so the window
// reads and frees only what claim() gives back: a parameter that names no record
// of this view changes nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "app/worker_message.h"
#include "update/update_view.h"

namespace vup {

class WindowView final : public UpdateView {
 public:
  explicit WindowView(WindowPoster& poster) : poster_(poster) {}

  // Worker side.
  void notice(NoticeCode code, std::string_view text) override;
  void line(std::string_view) override {}  // the engine writes its lines to the log itself
  void progress(const DownloadProgress& snapshot) override;
  // Posts `record` with message_worker. False when the post failed; the record is
  // then gone (the result is lost, the screen keeps its phase).
  bool post_record(std::unique_ptr<WorkerMessage> record);

  // Window side, on message_progress: clears the pending flag first, so that a
  // snapshot stored from now on queues a new message, then copies the latest one.
  [[nodiscard]] DownloadProgress take_progress();
  // Window side, on message_worker: the record that `parameter` names when this
  // view posted it and it was not claimed yet; null otherwise.
  [[nodiscard]] std::unique_ptr<WorkerMessage> claim(std::uintptr_t parameter);
  // Frees every record not claimed yet (their messages will never be handled).
  void free_records();

 private:
  WindowPoster& poster_;
  std::mutex mutex_;
  DownloadProgress snapshot_;  // under mutex_
  std::atomic<bool> pending_{false};
  std::mutex records_mutex_;
  std::unordered_map<std::uintptr_t, std::unique_ptr<WorkerMessage>> records_;  // under records_mutex_
};

}  // namespace vup
