#include "manifest/signature.h"

#include <sodium.h>

namespace quillfen::updater {

bool ed25519_signature_valid(const std::uint8_t (&signature)[64],
                             const std::uint8_t (&public_key)[32],
                             const std::uint8_t* message, std::size_t length) {
  // Cheap after the first call and safe from any thread. A library that cannot
  // start verifies nothing.
  if (sodium_init() < 0) return false;
  return crypto_sign_verify_detached(signature, message, length, public_key) == 0;
}

}  // namespace quillfen::updater
