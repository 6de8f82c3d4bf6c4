#include "tools/publish/secret_key.h"

#include <cstring>
#include <vector>

#include <sodium.h>

#include "fs/file_primitives.h"
#include "manifest/base64.h"

namespace vup::publish {

bool create_secret_key_file(const PathString& path, KeyPair& keys, std::string& error) {
  if (sodium_init() < 0) {
    error = "the cryptography library cannot start";
    return false;
  }
  std::uint8_t seed[32];
  randombytes_buf(seed, sizeof seed);
  crypto_sign_seed_keypair(keys.public_key, keys.secret_key, seed);
  const std::string text = quillfen::updater::base64_encode(seed, sizeof seed) + "\n";
  sodium_memzero(seed, sizeof seed);
  const int code = write_new_private_file(path, text);
  if (code != 0) {
    error = "cannot create the secret key file " + narrow_ascii(path) + " (error " + std::to_string(code) +
            "); it must not exist yet";
    return false;
  }
  return true;
}

bool read_secret_key_file(const PathString& path, KeyPair& keys, std::string& error) {
  std::string text;
  switch (read_whole_file(path, 4096, text)) {
    case read_ok: break;
    case read_not_found: error = "the secret key file " + narrow_ascii(path) + " does not exist"; return false;
    default: error = "cannot read the secret key file " + narrow_ascii(path); return false;
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  std::vector<std::uint8_t> seed;
  if (!quillfen::updater::base64_decode(text, seed) || seed.size() != 32 || sodium_init() < 0) {
    error = narrow_ascii(path) + " is not a secret key file made by velmora-publish keygen";
    return false;
  }
  crypto_sign_seed_keypair(keys.public_key, keys.secret_key, seed.data());
  sodium_memzero(seed.data(), seed.size());
  return true;
}

}  // namespace vup::publish
