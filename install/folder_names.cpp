#include "install/folder_names.h"

namespace vup {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool ends_with_name(std::string_view name, std::string_view end) {
  return name.size() >= end.size() && same_name(name.substr(name.size() - end.size()), end);
}

}  // namespace

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool is_allowed_entry(std::string_view name) {
  constexpr std::string_view endings[] = {".rk", ".dll", ".acm", ".aes", ".avi", ".manifest", ".vup-part"};
  constexpr std::string_view names[] = {"VelmoraUpdater.installing",     "VelmoraUpdater.installing.tmp",
                                        "VelmoraUpdater.state.json.tmp", "quillfen.ini",
                                        "quillfen.ini.tmp",              "Data",
                                        "README.txt"};
  for (const std::string_view end : endings) {
    if (ends_with_name(name, end)) return true;
  }
  for (const std::string_view allowed : names) {
    if (same_name(name, allowed)) return true;
  }
  return false;
}

}  // namespace vup
