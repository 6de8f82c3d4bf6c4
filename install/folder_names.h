// The names the installer looks for in a folder, how it compares them, and the
// two Windows folder rules it applies to the path text (pure, so that tests on any
// platform check them).
#pragma once

#include <string_view>

#include "base/constants.h"

namespace vup {

inline constexpr char install_subfolder_name[] = "Velmora";

// Two UTF-8 names are the same when they have the same bytes after turning A-Z
// into a-z (no other case folding).
[[nodiscard]] bool same_name(std::string_view a, std::string_view b);

// Whether `name` may sit in a folder whose install has started: game files and
// what an install leaves behind while it runs.
[[nodiscard]] bool is_allowed_entry(std::string_view name);

// A network path ("\\server\share"): it starts with two backslashes.
template <class Char>
[[nodiscard]] bool is_network_folder(std::basic_string_view<Char> folder) {
  return folder.size() >= 2 && folder[0] == Char('\\') && folder[1] == Char('\\');
}

// The root of a drive as the program's folder gives it: exactly two characters,
// the second a colon ("C:").
template <class Char>
[[nodiscard]] bool is_drive_root(std::basic_string_view<Char> folder) {
  return folder.size() == 2 && folder[1] == Char(':');
}

}  // namespace vup
