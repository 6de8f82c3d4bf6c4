#include "tools/update/console_view.h"

namespace vup::tools {

void ConsoleView::notice(NoticeCode, std::string_view) {
  // Every notice is followed by a line that says the same; nothing to add.
}

void ConsoleView::line(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), out_);
  std::fputc('\n', out_);
  std::fflush(out_);
}

void ConsoleView::progress(const DownloadProgress& snapshot) {
  const auto now = std::chrono::steady_clock::now();
  const bool file_done = snapshot.file_bytes == snapshot.file_size;
  if (!file_done && now - last_progress_ < std::chrono::seconds(1)) return;
  last_progress_ = now;
  const std::string text = "  " + progress_text(snapshot);
  line(text);
}

}  // namespace vup::tools
