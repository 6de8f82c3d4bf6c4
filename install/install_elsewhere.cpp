#include "install/install_elsewhere.h"

#include "fs/file_primitives.h"
#include "install/folder_probe.h"

namespace vup {

PathString program_copy_path(const PathString& target, const PathString& program) {
  PathString path = target;
  path += path_separator;
  path += file_name_of(program);
  return path;
}

std::string copy_failure_detail(std::string_view target_utf8, int error) {
  return "Could not copy VelmoraUpdater.exe into " + std::string(target_utf8) + " (error " + std::to_string(error) +
         "). Put VelmoraUpdater.exe in an empty folder, then try again.";
}

std::string start_failure_detail(std::string_view destination_utf8, int error) {
  return "Could not start " + std::string(destination_utf8) + " (error " + std::to_string(error) + ").";
}

std::string started_log_line(const PathString& target) {
  return "install: started the launcher in " + narrow_ascii(target);
}

}  // namespace vup
