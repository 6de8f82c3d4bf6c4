// Digest bytes as the lower-case hex text that the rest of the program compares.
#pragma once

#include <cstddef>
#include <string>

namespace vup {

inline std::string hex_lower(const unsigned char* bytes, std::size_t count) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string text(count * 2, '0');
  for (std::size_t i = 0; i < count; ++i) {
    text[2 * i] = digits[bytes[i] >> 4];
    text[2 * i + 1] = digits[bytes[i] & 0x0F];
  }
  return text;
}

}  // namespace vup
