// A stand-in for the window's message queue: the worker posts into it from its
// thread, the test takes messages out on its own, as the window thread would.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "app/worker_message.h"

namespace vup::test {

struct QueuedMessage {
  unsigned message = 0;
  std::uintptr_t parameter = 0;  // message_worker: names a record of the view
};

class WindowQueue final : public WindowPoster {
 public:
  bool post(unsigned message, std::uintptr_t parameter) override {
    std::lock_guard lock(mutex_);
    if (refuse_posts) return false;
    if (message == message_progress) {
      for (const auto& queued : queue_) {
        if (queued.message == message_progress) ++progress_doubles;
      }
    }
    queue_.push_back(QueuedMessage{message, parameter});
    posted_.notify_all();
    return true;
  }

  // The next message, waiting up to `timeout` for one.
  std::optional<QueuedMessage> take(std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    std::unique_lock lock(mutex_);
    if (!posted_.wait_for(lock, timeout, [this] { return !queue_.empty(); })) return std::nullopt;
    const QueuedMessage taken = queue_.front();
    queue_.pop_front();
    return taken;
  }

  bool refuse_posts = false;  // set before the worker starts
  int progress_doubles = 0;   // times a progress message was posted while one was queued

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<QueuedMessage> queue_;
};

}  // namespace vup::test
