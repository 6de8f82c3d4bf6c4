#include "install/folder_probe.h"

#include "fs/file_primitives.h"
#include "fs/utf8_path.h"
#include "install/install_marker.h"

namespace vup {

PathView file_name_of(PathView path) {
  const std::size_t separator = path.find_last_of(path_separator);
  return separator == PathView::npos ? path : path.substr(separator + 1);
}

bool SystemFolderProbe::marker_matches(const PathString& folder) { return install_marker_matches(folder); }

FolderCheck check_program_folder(const PathString& game_folder) {
  SystemFolderProbe probe;
  const PathString own = program_path();
  return check_folder(probe, game_folder, path_to_utf8(file_name_of(own)));
}

}  // namespace vup
