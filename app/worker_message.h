// What the worker hands to the window: the two private window messages and the
// record that travels with the first of them.
#pragma once

#include <cstdint>
#include <string>

#include "update/outcome.h"
#include "update/update_view.h"

namespace vup {

// The platform's private message range starts at WM_APP (0x8000).
inline constexpr unsigned message_worker = 0x8001;    // carries a WorkerMessage's address
inline constexpr unsigned message_progress = 0x8002;  // a new progress snapshot is ready

enum class MessageKind : int { notice = 0, update_finished = 1, start_finished = 2 };

struct WorkerMessage {
  MessageKind kind = MessageKind::notice;
  NoticeCode notice = NoticeCode::checking_updates;  // kind notice
  std::string text;                                  // kind notice
  Outcome outcome;                                   // the two finished kinds
  std::int64_t files_date = 0;                       // update_finished: the manifest's seq, or 0
  bool launcher_replaced = false;                    // update_finished: a new launcher took this one's name
};

// The window's side of the hand-over: post() queues a message with `parameter` for
// the window thread and says whether it was queued. The parameter of
// message_worker only names a record that the view keeps (WindowView::claim); the
// window never takes it for a pointer.
class WindowPoster {
 public:
  virtual ~WindowPoster() = default;
  [[nodiscard]] virtual bool post(unsigned message, std::uintptr_t parameter) = 0;
};

}  // namespace vup
