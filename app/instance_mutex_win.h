// Windows: the named mutex that makes this the only updater window of the logon
// session. Held for the life of the process, released early only to hand the
// role to an installed copy.
#pragma once

#include <windows.h>

namespace vup {

void set_instance_mutex(HANDLE mutex);
// Releases and closes the mutex if this process still holds it.
void release_instance_mutex();

}  // namespace vup
