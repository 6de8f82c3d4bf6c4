#include "update/progress.h"

#include <cstdio>

namespace vup {

std::string progress_text(const DownloadProgress& p) {
  char text[128];
  std::snprintf(text, sizeof text, "%.1f of %.1f MB \xC2\xB7 file %u of %u",
                static_cast<double>(p.bytes_done) / 1048576.0, static_cast<double>(p.bytes_total) / 1048576.0,
                static_cast<unsigned>(p.file_number), static_cast<unsigned>(p.file_count));
  return text;
}

}  // namespace vup
