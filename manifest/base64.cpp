#include "manifest/base64.h"

#include <cstring>

namespace quillfen::updater {
namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of an alphabet character, or -1.
int sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool decode_groups(std::string_view text, std::vector<std::uint8_t>& out) {
  if (text.empty() || text.size() % 4 != 0) return false;
  out.reserve(text.size() / 4 * 3);
  for (std::size_t at = 0; at < text.size(); at += 4) {
    const char c[4] = {text[at], text[at + 1], text[at + 2], text[at + 3]};
    const bool last = at + 4 == text.size();
    if (c[0] == '=' || c[1] == '=') return false;
    if (!last && (c[2] == '=' || c[3] == '=')) return false;
    if (c[2] == '=' && c[3] != '=') return false;
    const int padding = (c[2] == '=') + (c[3] == '=');

    int v[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4 - padding; ++i) {
      v[i] = sextet(c[i]);
      if (v[i] < 0) return false;
    }
    if (padding == 2 && (v[1] & 0x0F) != 0) return false;
    if (padding == 1 && (v[2] & 0x03) != 0) return false;

    out.push_back(static_cast<std::uint8_t>(v[0] << 2 | v[1] >> 4));
    if (padding < 2) out.push_back(static_cast<std::uint8_t>((v[1] << 4 | v[2] >> 2) & 0xFF));
    if (padding < 1) out.push_back(static_cast<std::uint8_t>((v[2] << 6 | v[3]) & 0xFF));
  }
  return true;
}

}  // namespace

bool base64_decode(std::string_view text, std::vector<std::uint8_t>& out) {
  out.clear();
  if (decode_groups(text, out)) return true;
  out.clear();
  return false;
}

std::string base64_encode(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  text.reserve((count + 2) / 3 * 4);
  for (std::size_t at = 0; at < count; at += 3) {
    const std::size_t left = count - at;
    const unsigned b0 = bytes[at];
    const unsigned b1 = left > 1 ? bytes[at + 1] : 0;
    const unsigned b2 = left > 2 ? bytes[at + 2] : 0;
    text += alphabet[b0 >> 2];
    text += alphabet[(b0 << 4 | b1 >> 4) & 0x3F];
    text += left > 1 ? alphabet[(b1 << 2 | b2 >> 6) & 0x3F] : '=';
    text += left > 2 ? alphabet[b2 & 0x3F] : '=';
  }
  return text;
}

bool decode_builtin_key(std::string_view text, std::uint8_t (&key)[32]) {
  std::vector<std::uint8_t> bytes;
  if (!base64_decode(text, bytes) || bytes.size() != sizeof key) return false;
  std::memcpy(key, bytes.data(), sizeof key);
  return true;
}

}  // namespace quillfen::updater
