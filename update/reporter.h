// The engine's voice: lines go to the log and to the view, and every stop of a
// task is logged with its code before it becomes the task's outcome.
#pragma once

#include <string>
#include <string_view>

#include "update/outcome.h"
#include "update/update_view.h"

namespace vup {

class Reporter {
 public:
  explicit Reporter(UpdateView& view) : view_(view) {}

  void line(std::string_view text);
  void notice(NoticeCode code, std::string_view text = {});
  void progress(const DownloadProgress& snapshot) { view_.progress(snapshot); }
  // Logs "STOPPED (code): message" and returns that outcome; the view is not told.
  [[nodiscard]] Outcome stop(int code, std::string message);

 private:
  UpdateView& view_;
};

// The outcome of an exception that escaped a task: code 60 with `prefix` alone or
// `prefix` + ": " + the exception's text, logged as a STOPPED line. Call from
// inside a catch block. Never throws: when even that fails, code 60 with an empty
// message.
[[nodiscard]] Outcome unexpected_error_outcome(const char* prefix) noexcept;

}  // namespace vup
