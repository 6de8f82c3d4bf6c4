// The headless updater's view: every line on standard error, and the download
// progress as a line at most once a second (and at the end of each file).
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "update/update_view.h"

namespace vup::tools {

class ConsoleView final : public UpdateView {
 public:
  explicit ConsoleView(std::FILE* out) : out_(out) {}

  void notice(NoticeCode code, std::string_view text) override;
  void line(std::string_view text) override;
  void progress(const DownloadProgress& snapshot) override;

 private:
  std::FILE* out_;
  std::chrono::steady_clock::time_point last_progress_{};
};

}  // namespace vup::tools
