// What the worker hands to the window: the two private window messages and the
// record that travels with the first of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "update/outcome.h"
#include "update/update_view.h"

namespace vup {

// The platform's private message range starts at WM_APP (0x8000).
inline constexpr unsigned message_worker = 0x8001;    // carries a WorkerMessage
inline constexpr unsigned message_progress = 0x8002;  // a new progress snapshot is ready

enum class MessageKind : int { notice = 0, update_finished = 1, start_finished = 2 };

struct WorkerMessage {
  MessageKind kind = MessageKind::notice;
  NoticeCode notice = NoticeCode::checking_updates;  // kind notice
  std::string text;                                  // kind notice
  Outcome outcome;                                   // the two finished kinds
  std::int64_t files_date = 0;                       // update_finished: the manifest's seq, or 0
};

// The window's side of the hand-over. post() queues a message for the window
// thread; when it returns true the window owns `record` (and frees it), when it
// returns false the caller still does.
class WindowPoster {
 public:
  virtual ~WindowPoster() = default;
  [[nodiscard]] virtual bool post(unsigned message, WorkerMessage* record) = 0;
};

// Posts `record` with message_worker; the record is freed here when the post fails.
inline bool post_worker_message(WindowPoster& poster, std::unique_ptr<WorkerMessage> record) {
  if (!poster.post(message_worker, record.get())) return false;
  record.release();
  return true;
}

}  // namespace vup
