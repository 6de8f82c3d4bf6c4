#include "install/install_marker.h"

#include <charconv>

#include "fs/file_primitives.h"
#include "fs/utf8_path.h"
#include "install/folder_names.h"
#include "log/log.h"
#include "update/game_files.h"

namespace vup {
namespace {

// The integer of a held-option line's value; none unless it is all decimal digits
// (with an optional minus sign).
std::optional<int> parse_value(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || text.empty()) return std::nullopt;
  return value;
}

}  // namespace

std::string install_marker_content(std::string_view folder_utf8, const std::optional<GameOptions>& held) {
  std::string content = "folder=" + std::string(folder_utf8) +
                        "\nAn install of the game into this folder has started; VelmoraUpdater carries it on.\n";
  if (held) {
    for (const OptionsEntry& entry : options_entries(*held)) {
      content += entry.section + "/" + entry.key + "=" + entry.value + "\n";
    }
  }
  return content;
}

bool marker_names_folder(std::string_view content, std::string_view folder_utf8) {
  constexpr std::string_view prefix = "folder=";
  if (content.substr(0, prefix.size()) != prefix) return false;
  std::string_view named = content.substr(prefix.size());
  named = named.substr(0, named.find('\n'));
  if (!named.empty() && named.back() == '\r') named.remove_suffix(1);
  return same_name(named, folder_utf8);
}

std::optional<GameOptions> marker_held_options(std::string_view content) {
  OptionsValues values;
  int* const fields[6] = {&values.height, &values.width, &values.largescreen,
                          &values.intro,  &values.effects, &values.music};
  bool seen[6] = {};
  std::size_t line_number = 0;
  while (!content.empty()) {
    const std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
    if (++line_number <= 2) continue;  // the folder and what the file is
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view name = line.substr(0, equals);
    for (int i = 0; i < 6; ++i) {
      const OptionsKey& key = options_read_keys[i];
      if (name != std::string(key.section) + "/" + key.key) continue;
      const std::optional<int> value = parse_value(line.substr(equals + 1));
      if (!value) return std::nullopt;
      *fields[i] = *value;
      seen[i] = true;
    }
  }
  // The four switches of the launcher section are always written together.
  if (!seen[2] || !seen[3] || !seen[4] || !seen[5]) return std::nullopt;
  return options_from_values(values);
}

PathString install_marker_path(const PathString& folder) { return child_path(folder, install_marker_name); }

bool install_marker_matches(const PathString& folder) {
  std::string content;
  if (read_whole_file(install_marker_path(folder), install_marker_cap, content) != read_ok) return false;
  return marker_names_folder(content, path_to_utf8(folder));
}

std::optional<GameOptions> read_marker_held_options(const PathString& folder) {
  std::string content;
  if (read_whole_file(install_marker_path(folder), install_marker_cap, content) != read_ok) return std::nullopt;
  return marker_held_options(content);
}

bool write_install_marker(const PathString& folder, const std::optional<GameOptions>& held,
                          const std::function<void(std::string_view)>& log) {
  const std::string content = install_marker_content(path_to_utf8(folder), held);
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
