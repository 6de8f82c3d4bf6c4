#include "app/instance_mutex_win.h"

namespace vup {
namespace {

HANDLE instance_mutex = nullptr;  // window thread only

}  // namespace

bool claim_instance_mutex() {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, instance_mutex_name);
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  instance_mutex = mutex;
  return true;
}

void release_instance_mutex() {
  if (!instance_mutex) return;
  ReleaseMutex(instance_mutex);
  CloseHandle(instance_mutex);
  instance_mutex = nullptr;
}

void reclaim_instance_mutex() {
  if (instance_mutex) return;
  // Whoever made it meanwhile, the name exists as long as this handle is open, so
  // a second start finds an updater running whichever process owns it.
  instance_mutex = CreateMutexW(nullptr, TRUE, instance_mutex_name);
}

}  // namespace vup
