#include "manifest/base64.h"

#include <cstring>

namespace quillfen::updater {
namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of each byte, -1 for bytes outside the alphabet ("=" too).
struct SextetTable {
  signed char value[256] = {};
  constexpr SextetTable() {
    for (int c = 0; c < 256; ++c) value[c] = -1;
    for (int i = 0; i < 64; ++i) value[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
  }
};
constexpr SextetTable sextets;

int sextet(char c) { return sextets.value[static_cast<unsigned char>(c)]; }

bool decode_groups(std::string_view text, std::vector<std::uint8_t>& out) {
  if (text.empty() || text.size() % 4 != 0) return false;
  const std::size_t groups = text.size() / 4;
  out.resize(groups * 3);
  std::uint8_t* to = out.data();
  // Every group but the last holds four characters of the alphabet.
  for (std::size_t at = 0; at + 4 < text.size(); at += 4, to += 3) {
    const int v0 = sextet(text[at]);
    const int v1 = sextet(text[at + 1]);
    const int v2 = sextet(text[at + 2]);
    const int v3 = sextet(text[at + 3]);
    if ((v0 | v1 | v2 | v3) < 0) return false;
    to[0] = static_cast<std::uint8_t>(v0 << 2 | v1 >> 4);
    to[1] = static_cast<std::uint8_t>((v1 << 4 | v2 >> 2) & 0xFF);
    to[2] = static_cast<std::uint8_t>((v2 << 6 | v3) & 0xFF);
  }

  // The last one may end in padding, with zero bits under it.
  const char* c = text.data() + text.size() - 4;
  if (c[0] == '=' || c[1] == '=') return false;
  if (c[2] == '=' && c[3] != '=') return false;
  const int padding = (c[2] == '=') + (c[3] == '=');
  int v[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4 - padding; ++i) {
    v[i] = sextet(c[i]);
    if (v[i] < 0) return false;
  }
  if (padding == 2 && (v[1] & 0x0F) != 0) return false;
  if (padding == 1 && (v[2] & 0x03) != 0) return false;
  to[0] = static_cast<std::uint8_t>(v[0] << 2 | v[1] >> 4);
  if (padding < 2) to[1] = static_cast<std::uint8_t>((v[1] << 4 | v[2] >> 2) & 0xFF);
  if (padding < 1) to[2] = static_cast<std::uint8_t>((v[2] << 6 | v[3]) & 0xFF);
  out.resize(groups * 3 - static_cast<std::size_t>(padding));
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
