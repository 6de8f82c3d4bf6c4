#include "fs/retry_while_held.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "fs/file_primitives.h"

namespace vup {

RetriedMove retry_while_held(const std::function<int()>& attempt, bool (*is_held)(int error),
                             const PauseFunction& pause, int longest_wait_ms) {
  int waited = 0;
  int next_pause = first_held_pause_ms;
  for (;;) {
    const int error = attempt();
    if (error == 0 || !is_held(error) || waited >= longest_wait_ms) return RetriedMove{error, false};
    const int step = std::min(next_pause, longest_wait_ms - waited);
    if (!pause(step)) return RetriedMove{error, true};
    waited += step;
    next_pause = std::min(next_pause * 2, longest_held_pause_ms);
  }
}

bool pause_unless_stopped(int milliseconds, const std::atomic<bool>* stop) {
  for (int waited = 0; waited < milliseconds;) {
    if (stop != nullptr && stop->load()) return false;
    const int step = std::min(100, milliseconds - waited);
    std::this_thread::sleep_for(std::chrono::milliseconds(step));
    waited += step;
  }
  return stop == nullptr || !stop->load();
}

RetriedMove replace_file_when_free(const PathString& source, const PathString& destination,
                                   const std::atomic<bool>* stop) {
  return retry_while_held([&] { return replace_file(source, destination); }, is_in_use_error,
                          [stop](int milliseconds) { return pause_unless_stopped(milliseconds, stop); });
}

}  // namespace vup
