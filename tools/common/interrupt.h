// Ctrl+C (and SIGTERM on POSIX) asks a running task to stop, the way closing the
// window does, so that it ends cleanly with nothing half-written.
#pragma once

#include <atomic>

namespace vup::tools {

// Sets `stop` on the first interrupt. `stop` must outlive the program's run.
void stop_on_interrupt(std::atomic<bool>& stop);

}  // namespace vup::tools
