// The signed envelope around the manifest: {"payload": Base64 of the manifest text,
// "sig": Base64 of its Ed25519 signature}.
#pragma once

#include <cstdint>
#include <string_view>

#include "manifest/manifest.h"

namespace quillfen::updater {

// Checks the envelope's form, verifies the signature over the decoded payload with
// `public_key`, and only then parses the payload as a manifest (seq at least
// `min_seq`). Envelope failures are codes 1 to 3; any exception on the way becomes
// code 12. Never throws.
[[nodiscard]] ManifestResult open_signed_manifest(std::string_view envelope,
                                                  const std::uint8_t (&public_key)[32],
                                                  std::int64_t min_seq) noexcept;

}  // namespace quillfen::updater
