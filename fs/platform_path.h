// The platform's own path text: UTF-16 on Windows, UTF-8 bytes on POSIX.
#pragma once

#include <string>
#include <string_view>

namespace vup {

#ifdef _WIN32
using PathChar = wchar_t;
inline constexpr PathChar path_separator = L'\\';
#define VUP_PATH(text) L##text
#else
using PathChar = char;
inline constexpr PathChar path_separator = '/';
#define VUP_PATH(text) text
#endif

using PathString = std::basic_string<PathChar>;
using PathView = std::basic_string_view<PathChar>;

}  // namespace vup
