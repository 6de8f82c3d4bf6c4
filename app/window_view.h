// The engine's view of the window: notices become posted worker messages, and
// progress is handed over through one shared snapshot so that at most one
// progress message is queued at any time (the latest snapshot wins).
#pragma once

#include <atomic>
#include <mutex>

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

  // Window side, on message_progress: clears the pending flag first, so that a
  // snapshot stored from now on queues a new message, then copies the latest one.
  [[nodiscard]] DownloadProgress take_progress();

 private:
  WindowPoster& poster_;
  std::mutex mutex_;
  DownloadProgress snapshot_;
  std::atomic<bool> pending_{false};
};

}  // namespace vup
