// The release's secret key file. Whoever holds it can publish updates that every
// player's updater accepts, so its text must never pass for a public key:
//
//   VELMORA-SECRET-KEY-<standard Base64 of the 32-byte Ed25519 seed>
//   # comment lines that say what the file is
//
// A "-" is not in the Base64 alphabet, so no part of the file decodes as a key.
// Files of the first form, one line of 44 Base64 characters, are still read.
#pragma once

#include <cstdint>
#include <string>

#include "fs/platform_path.h"

namespace vup::publish {

inline constexpr char secret_key_prefix[] = "VELMORA-SECRET-KEY-";

struct KeyPair {
  std::uint8_t public_key[32];
  std::uint8_t secret_key[64];  // the seed followed by the public key
};

// Makes a new key pair and writes its secret half to `path`, which must not exist
// yet, readable by its owner alone. False with a sentence in `error`.
[[nodiscard]] bool create_secret_key_file(const PathString& path, KeyPair& keys, std::string& error);

// Reads the key pair back from a secret key file. A file of the first form sets
// `old_form` (the caller says what to do about it).
[[nodiscard]] bool read_secret_key_file(const PathString& path, KeyPair& keys, bool& old_form, std::string& error);

// read_secret_key_file for the commands: a file of the first form gets a note on
// standard error that suggests a new key.
[[nodiscard]] bool read_secret_key_file_noting_old_form(const PathString& path, KeyPair& keys, std::string& error);

// Creates `path` for the owner alone and writes `text`; refuses an existing file.
// 0 on success, else the platform's error code.
[[nodiscard]] int write_new_private_file(const PathString& path, const std::string& text);

}  // namespace vup::publish
