#include "app/window_view.h"

#include <string>

namespace vup {

void WindowView::notice(NoticeCode code, std::string_view text) {
  auto record = std::make_unique<WorkerMessage>();
  record->kind = MessageKind::notice;
  record->notice = code;
  record->text = std::string(text);
  post_record(std::move(record));
}

void WindowView::progress(const DownloadProgress& snapshot) {
  {
    std::lock_guard lock(mutex_);
    snapshot_ = snapshot;
  }
  if (!pending_.exchange(true)) {
    // A failed post clears the flag so that the next snapshot tries again.
    if (!poster_.post(message_progress, 0)) pending_.store(false);
  }
}

bool WindowView::post_record(std::unique_ptr<WorkerMessage> record) {
  const auto parameter = reinterpret_cast<std::uintptr_t>(record.get());
  {
    std::lock_guard lock(records_mutex_);
    records_.emplace(parameter, std::move(record));
  }
  if (poster_.post(message_worker, parameter)) return true;
  std::lock_guard lock(records_mutex_);
  records_.erase(parameter);
  return false;
}

DownloadProgress WindowView::take_progress() {
  pending_.store(false);
  std::lock_guard lock(mutex_);
  return snapshot_;
}

std::unique_ptr<WorkerMessage> WindowView::claim(std::uintptr_t parameter) {
  std::lock_guard lock(records_mutex_);
  const auto found = records_.find(parameter);
  if (found == records_.end()) return nullptr;
  std::unique_ptr<WorkerMessage> record = std::move(found->second);
  records_.erase(found);
  return record;
}

void WindowView::free_records() {
  std::lock_guard lock(records_mutex_);
  records_.clear();
}

}  // namespace vup
