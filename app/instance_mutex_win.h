// Windows: the named mutex that makes this the only updater window of the logon
// session. Held for the life of the process, released early only to hand the
// role to another program (the installed copy), and taken back when that program
// did not start.
#pragma once

#include <windows.h>

namespace vup {

inline constexpr wchar_t instance_mutex_name[] = L"Local\\VelmoraUpdater-window";

// Creates the mutex with initial ownership. True when this process made it and
// now holds it, and also when no mutex could be made at all (the program then
// carries on as the only instance); false, holding nothing, when another process
// has it.
[[nodiscard]] bool claim_instance_mutex();
// Releases and closes the mutex if this process still holds it.
void release_instance_mutex();
// Holds the mutex again after it was released: a second start then finds this
// process again. Nothing when it is still held.
void reclaim_instance_mutex();

}  // namespace vup
