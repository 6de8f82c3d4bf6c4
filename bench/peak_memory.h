// The peak resident size of this process so far, in KiB; 0 when unknown.
#pragma once

#include <cstdint>

std::uint64_t peak_resident_kib();
