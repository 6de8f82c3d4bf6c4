#include "update/outcome.h"

#include <cstdio>

namespace vup {

const char* outcome_short_text(int code) {
  switch (code) {
    case code_success: return "Ready.";
    case code_no_game_folder: return "The game was not found";
    case code_game_missing: return "The game was not found";
    case code_internal: return "Something went wrong";
    case code_unreachable: return "Cannot reach the update server";
    case code_untrusted: return "The update could not be trusted";
    case code_unsafe_location: return "The update was refused";
    case code_file_changed: return "A game file has changed";
    case code_foreign_file: return "An unknown file was found";
    case code_not_verified: return "The update server could not be verified";
    case code_disk_full: return "Not enough disk space";
    case code_download_failed: return "A download failed";
    case code_in_use: return "The game is still running";
    case code_write_failed: return "A file could not be written";
    case code_stopped: return "Stopped";
    case code_elevation_declined: return "Ready.";
    case code_start_failed: return "The game could not start";
    default: return "Something went wrong";
  }
}

std::string megabytes_text(std::uint64_t bytes) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1048576.0);
  return text;
}

}  // namespace vup
