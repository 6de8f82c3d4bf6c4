#include <windows.h>
#include <psapi.h>

#include "bench/peak_memory.h"

std::uint64_t peak_resident_kib() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize / 1024;
}
