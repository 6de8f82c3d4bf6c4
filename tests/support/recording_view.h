// An UpdateView that keeps what the engine said, for tests.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "update/update_view.h"

namespace vup::test {

class RecordingView final : public UpdateView {
 public:
  void notice(NoticeCode code, std::string_view text) override {
    std::lock_guard lock(mutex_);
    notices.emplace_back(static_cast<int>(code), std::string(text));
  }
  void line(std::string_view text) override {
    std::lock_guard lock(mutex_);
    lines.emplace_back(text);
  }
  void progress(const DownloadProgress& snapshot) override {
    std::lock_guard lock(mutex_);
    last_progress = snapshot;
    ++progress_count;
  }
  // True when some line begins with `start`.
  bool has_line_starting(std::string_view start) const {
    std::lock_guard lock(mutex_);
    for (const auto& l : lines) {
      if (l.compare(0, start.size(), start) == 0) return true;
    }
    return false;
  }

  std::vector<std::pair<int, std::string>> notices;
  std::vector<std::string> lines;
  DownloadProgress last_progress;
  int progress_count = 0;

 private:
  mutable std::mutex mutex_;
};

}  // namespace vup::test
