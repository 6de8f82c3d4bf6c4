// The release's secret key file: one line, the Base64 of the 32-byte Ed25519 seed.
// Whoever holds it can publish updates that every player's updater accepts.
#pragma once

#include <cstdint>
#include <string>

#include "fs/platform_path.h"

namespace vup::publish {

struct KeyPair {
  std::uint8_t public_key[32];
  std::uint8_t secret_key[64];  // the seed followed by the public key
};

// Makes a new key pair and writes its secret half to `path`, which must not exist
// yet, readable by its owner alone. False with a sentence in `error`.
[[nodiscard]] bool create_secret_key_file(const PathString& path, KeyPair& keys, std::string& error);

// Reads the key pair back from a secret key file.
[[nodiscard]] bool read_secret_key_file(const PathString& path, KeyPair& keys, std::string& error);

// Creates `path` for the owner alone and writes `text`; refuses an existing file.
// 0 on success, else the platform's error code.
[[nodiscard]] int write_new_private_file(const PathString& path, const std::string& text);

}  // namespace vup::publish
