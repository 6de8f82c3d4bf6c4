// How the engine reports while it works. The window implements it; the headless
// updater prints. Called from the worker thread.
#pragma once

#include <string_view>

#include "update/progress.h"

namespace vup {

// Notice codes: 0 checking for updates, 1 checking the update or the game files,
// 2 checking one file (text: its game path), 3 downloading one file (text: its
// game path), 4 finishing, 5 up to date.
enum class NoticeCode : int {
  checking_updates = 0,
  checking_list = 1,
  checking_file = 2,
  downloading = 3,
  finishing = 4,
  up_to_date = 5,
};

class UpdateView {
 public:
  virtual ~UpdateView() = default;
  virtual void notice(NoticeCode code, std::string_view text) = 0;
  // A line the engine has already written to the log.
  virtual void line(std::string_view text) = 0;
  // The latest download progress.
  virtual void progress(const DownloadProgress& snapshot) = 0;
};

}  // namespace vup
