// Where the system may look for the DLLs that a tool loads after it has started.
#pragma once

namespace vup::tools {

// Called first in main, before anything else loads a DLL: from then on every DLL
// that is not loaded by full path comes from the system folder alone, never from the
// folder that holds the tool (a Downloads folder, say, where a web page can drop a
// DLL). Windows only; the dynamic linker of POSIX systems does not search the
// program's folder, so there it does nothing.
void restrict_dll_search();

}  // namespace vup::tools
