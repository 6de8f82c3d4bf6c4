#include "fs/game_path.h"

#include <string>

#include "base/constants.h"

namespace vup {
namespace {

char lower_ascii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool equals_lowered(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (lower_ascii(text[i]) != lower[i]) return false;
  }
  return true;
}

// Bytes never allowed in a game path: outside printable ASCII, and the nine that
// Windows gives a meaning in paths. A table: every path of a manifest and of a
// state passes through here.
struct ForbiddenBytes {
  bool forbidden[256] = {};
  constexpr ForbiddenBytes() {
    for (int c = 0; c < 256; ++c) forbidden[c] = c < 0x20 || c > 0x7E;
    for (const char c : {'"', '*', ':', '<', '>', '?', '\\', '|', '~'}) forbidden[static_cast<unsigned char>(c)] = true;
  }
};
constexpr ForbiddenBytes forbidden_bytes;

bool is_forbidden_byte(unsigned char c) { return forbidden_bytes.forbidden[c]; }

bool is_safe_segment(std::string_view segment) {
  if (segment.empty() || segment == "." || segment == "..") return false;
  if (segment.front() == ' ') return false;
  if (segment.back() == ' ' || segment.back() == '.') return false;
  if (segment.size() > max_game_path_segment) return false;
  return !is_reserved_device_name(segment);
}

}  // namespace

bool is_safe_game_path(std::string_view path) {
  if (path.empty() || path.size() > max_game_path_length) return false;
  if (path.front() == '/') return false;
  for (char c : path) {
    if (is_forbidden_byte(static_cast<unsigned char>(c))) return false;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = path.find('/', start);
    const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
    if (!is_safe_segment(path.substr(start, end - start))) return false;
    if (slash == std::string_view::npos) return true;
    start = slash + 1;
  }
}

std::string fold_game_path(std::string_view path) {
  std::string folded(path);
  for (char& c : folded) c = lower_ascii(c);
  return folded;
}

bool is_updater_owned_path(std::string_view path) {
  const std::string folded = fold_game_path(path);
  const std::string_view top = std::string_view(folded).substr(0, folded.find('/'));
  const std::string state = fold_game_path(state_file_name);
  const std::string marker = fold_game_path(install_marker_name);
  for (const std::string& name : {state, state + temporary_suffix, marker, marker + temporary_suffix}) {
    if (top == name) return true;
  }
  if (is_launcher_backup_name(top)) return true;
  constexpr std::string_view part = download_suffix;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = folded.find('/', start);
    const std::size_t end = slash == std::string::npos ? folded.size() : slash;
    if (end - start >= part.size() && folded.compare(end - part.size(), part.size(), part) == 0) return true;
    if (slash == std::string::npos) return false;
    start = slash + 1;
  }
}

std::string launcher_backup_name(int index) {
  std::string name = updater_executable;
  if (index != 0) name += "." + std::to_string(index);
  return name + launcher_backup_suffix;
}

bool is_launcher_backup_name(std::string_view name) {
  for (int i = 0; i < launcher_backup_count; ++i) {
    if (equals_lowered(name, fold_game_path(launcher_backup_name(i)))) return true;
  }
  return false;
}

bool is_reserved_device_name(std::string_view segment) {
  std::string_view stem = segment.substr(0, segment.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  // Every device name has 3, 4, 6 or 7 characters.
  if (stem.size() != 3 && stem.size() != 4 && stem.size() != 6 && stem.size() != 7) return false;

  static constexpr std::string_view devices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
  for (const std::string_view device : devices) {
    if (equals_lowered(stem, device)) return true;
  }
  if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9') {
    const std::string_view prefix = stem.substr(0, 3);
    return equals_lowered(prefix, "com") || equals_lowered(prefix, "lpt");
  }
  return false;
}

}  // namespace vup
