// Download progress, as the engine reports it and the screen shows it.
#pragma once

#include <cstdint>
#include <string>

namespace vup {

struct DownloadProgress {
  std::string game_path;
  std::uint32_t file_number = 0;  // from 1
  std::uint32_t file_count = 0;   // files to download in this run
  std::uint64_t file_bytes = 0;   // of the current file, received so far
  std::uint64_t file_size = 0;    // of the current file, expected
  std::uint64_t bytes_done = 0;   // in this run, the current file included
  std::uint64_t bytes_total = 0;  // sum of the sizes to download
};

// "12.5 of 40.0 MB · file 3 of 9" (UTF-8 middle dot).
[[nodiscard]] std::string progress_text(const DownloadProgress& progress);

}  // namespace vup
