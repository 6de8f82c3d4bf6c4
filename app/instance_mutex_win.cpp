#include "app/instance_mutex_win.h"

namespace vup {
namespace {

HANDLE instance_mutex = nullptr;  // window thread only

}  // namespace

void set_instance_mutex(HANDLE mutex) { instance_mutex = mutex; }

void release_instance_mutex() {
  if (!instance_mutex) return;
  ReleaseMutex(instance_mutex);
  CloseHandle(instance_mutex);
  instance_mutex = nullptr;
}

}  // namespace vup
