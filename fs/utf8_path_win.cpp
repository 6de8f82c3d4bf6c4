// UTF-16 platform paths to and from UTF-8 with the platform's code page functions.
#include <windows.h>

#include <climits>

#include "fs/utf8_path.h"

namespace vup {

std::string path_to_utf8(PathView path) {
  if (path.empty() || path.size() > INT_MAX) return {};
  const int length = static_cast<int>(path.size());
  const int needed = WideCharToMultiByte(CP_UTF8, 0, path.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string text(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, path.data(), length, text.data(), needed, nullptr, nullptr);
  return text;
}

PathString path_from_utf8(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  PathString path(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, path.data(), needed);
  return path;
}

}  // namespace vup
