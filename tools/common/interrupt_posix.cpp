// POSIX: SIGINT and SIGTERM.
#include <signal.h>

#include "tools/common/interrupt.h"

namespace vup::tools {
namespace {

std::atomic<bool>* stop_flag = nullptr;

extern "C" void on_signal(int) {
  if (stop_flag != nullptr) stop_flag->store(true);  // lock-free, so safe in a handler
}

}  // namespace

void stop_on_interrupt(std::atomic<bool>& stop) {
  stop_flag = &stop;
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace vup::tools
