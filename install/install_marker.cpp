#include "install/install_marker.h"

#include "fs/file_primitives.h"
#include "fs/utf8_path.h"
#include "install/folder_names.h"
#include "log/log.h"
#include "update/game_files.h"

namespace vup {

std::string install_marker_content(std::string_view folder_utf8) {
  return "folder=" + std::string(folder_utf8) +
         "\nAn install of the game into this folder has started; VelmoraUpdater carries it on.\n";
}

bool marker_names_folder(std::string_view content, std::string_view folder_utf8) {
  constexpr std::string_view prefix = "folder=";
  if (content.substr(0, prefix.size()) != prefix) return false;
  std::string_view named = content.substr(prefix.size());
  named = named.substr(0, named.find('\n'));
  if (!named.empty() && named.back() == '\r') named.remove_suffix(1);
  return same_name(named, folder_utf8);
}

PathString install_marker_path(const PathString& folder) { return child_path(folder, install_marker_name); }

bool install_marker_matches(const PathString& folder) {
  std::string content;
  if (read_whole_file(install_marker_path(folder), install_marker_cap, content) != read_ok) return false;
  return marker_names_folder(content, path_to_utf8(folder));
}

bool write_install_marker(const PathString& folder, const std::function<void(std::string_view)>& log) {
  const std::string content = install_marker_content(path_to_utf8(folder));
  if (write_file_atomically(install_marker_path(folder), content.data(), static_cast<std::uint32_t>(content.size()))) {
    return true;
  }
  const std::string_view line = "install: could not write the install marker";
  if (log) {
    log(line);
  } else {
    write_log_line(line);
  }
  return false;
}

void remove_install_marker(const PathString& folder) { remove_file(install_marker_path(folder)); }

}  // namespace vup
