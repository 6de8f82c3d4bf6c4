// POSIX only: a FileStat from what stat or lstat reported, shared by the file
// primitives and the game folder inspection.
#pragma once

#include <sys/stat.h>

#include "fs/file_primitives.h"

namespace vup {

inline FileStat file_stat_of(const struct stat& info) {
  // The same scale as the Windows file time: 100 ns since 1601-01-01 UTC.
  constexpr std::uint64_t seconds_1601_to_1970 = 11644473600ULL;
  FileStat stat;
  stat.size = static_cast<std::uint64_t>(info.st_size);
  stat.last_write = (static_cast<std::uint64_t>(info.st_mtim.tv_sec) + seconds_1601_to_1970) * 10000000ULL +
                    static_cast<std::uint64_t>(info.st_mtim.tv_nsec) / 100;
  return stat;
}

}  // namespace vup
