// Windows: a console control handler.
#include <windows.h>

#include "tools/common/interrupt.h"

namespace vup::tools {
namespace {

std::atomic<bool>* stop_flag = nullptr;

BOOL WINAPI on_control(DWORD) {
  if (stop_flag != nullptr) stop_flag->store(true);
  return TRUE;  // handled: the task ends by itself
}

}  // namespace

void stop_on_interrupt(std::atomic<bool>& stop) {
  stop_flag = &stop;
  SetConsoleCtrlHandler(on_control, TRUE);
}

}  // namespace vup::tools
