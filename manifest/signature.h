// The one place that checks an Ed25519 signature (RFC 8032, PureEdDSA).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillfen::updater {

// True when `signature` is a valid signature by `public_key` of exactly the
// `length` bytes at `message`.
[[nodiscard]] bool ed25519_signature_valid(const std::uint8_t (&signature)[64],
                                           const std::uint8_t (&public_key)[32],
                                           const std::uint8_t* message, std::size_t length);

}  // namespace quillfen::updater
