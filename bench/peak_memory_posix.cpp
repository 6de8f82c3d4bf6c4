#include <sys/resource.h>

#include "bench/peak_memory.h"

std::uint64_t peak_resident_kib() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<std::uint64_t>(usage.ru_maxrss);  // KiB on Linux
}
