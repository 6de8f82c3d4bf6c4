// Standard Base64 (RFC 4648 alphabet, "=" padding), strict: only the canonical
// encoding of some bytes decodes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen::updater {

// Decodes `text` into `out`. Refuses an empty text, a length that is not a multiple
// of 4, any byte outside the alphabet (line breaks and the URL-safe "-" and "_"
// included), misplaced padding, and non-zero bits under the padding. `out` is
// emptied first and is empty again after a refusal.
[[nodiscard]] bool base64_decode(std::string_view text, std::vector<std::uint8_t>& out);

// The canonical encoding, which base64_decode accepts and turns back into `bytes`.
[[nodiscard]] std::string base64_encode(const std::uint8_t* bytes, std::size_t count);

// Decodes the built-in public key text. True only when it is exactly 32 bytes;
// `key` is left unchanged otherwise.
[[nodiscard]] bool decode_builtin_key(std::string_view text, std::uint8_t (&key)[32]);

}  // namespace quillfen::updater
