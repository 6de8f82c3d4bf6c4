#include "app/window_view.h"

#include <memory>
#include <string>

namespace vup {

void WindowView::notice(NoticeCode code, std::string_view text) {
  auto record = std::make_unique<WorkerMessage>();
  record->kind = MessageKind::notice;
  record->notice = code;
  record->text = std::string(text);
  post_worker_message(poster_, std::move(record));
}

void WindowView::progress(const DownloadProgress& snapshot) {
  {
    std::lock_guard lock(mutex_);
    snapshot_ = snapshot;
  }
  if (!pending_.exchange(true)) {
    // A failed post clears the flag so that the next snapshot tries again.
    if (!poster_.post(message_progress, nullptr)) pending_.store(false);
  }
}

DownloadProgress WindowView::take_progress() {
  pending_.store(false);
  std::lock_guard lock(mutex_);
  return snapshot_;
}

}  // namespace vup
