#include "tools/publish/secret_key.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include <sodium.h>

#include "fs/file_primitives.h"
#include "manifest/base64.h"

namespace vup::publish {
namespace {

constexpr char file_comment[] =
    "# The secret key of a VelmoraUpdater release. Whoever holds this file can sign\n"
    "# updates that every player's updater accepts: keep it off the update server and\n"
    "# out of every build. The programs take the public key, which\n"
    "# velmora-publish public-key --secret-key FILE prints.\n";

// The lines of `text` that are neither empty nor comments, without their line ends
// and trailing spaces.
std::vector<std::string_view> key_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return lines;
}

}  // namespace

bool create_secret_key_file(const PathString& path, KeyPair& keys, std::string& error) {
  if (sodium_init() < 0) {
    error = "the cryptography library cannot start";
    return false;
  }
  std::uint8_t seed[32];
  randombytes_buf(seed, sizeof seed);
  crypto_sign_seed_keypair(keys.public_key, keys.secret_key, seed);
  std::string text = secret_key_prefix + quillfen::updater::base64_encode(seed, sizeof seed) + "\n" + file_comment;
  sodium_memzero(seed, sizeof seed);
  const int code = write_new_private_file(path, text);
  sodium_memzero(text.data(), text.size());
  if (code != 0) {
    error = "cannot create the secret key file " + narrow_ascii(path) + " (error " + std::to_string(code) +
            "); it must not exist yet";
    return false;
  }
  return true;
}

bool read_secret_key_file(const PathString& path, KeyPair& keys, bool& old_form, std::string& error) {
  std::string text;
  switch (read_whole_file(path, 4096, text)) {
    case read_ok: break;
    case read_not_found: error = "the secret key file " + narrow_ascii(path) + " does not exist"; return false;
    case read_too_large:
      error = narrow_ascii(path) + " is not a secret key file made by velmora-publish keygen (it is too large)";
      return false;
    default: error = "cannot read the secret key file " + narrow_ascii(path); return false;
  }
  const std::vector<std::string_view> lines = key_lines(text);
  std::vector<std::uint8_t> seed;
  bool decoded = false;
  if (lines.size() == 1) {
    const std::string_view line = lines[0];
    old_form = line.substr(0, std::strlen(secret_key_prefix)) != secret_key_prefix;
    const std::string_view encoded = old_form ? line : line.substr(std::strlen(secret_key_prefix));
    decoded = quillfen::updater::base64_decode(encoded, seed) && seed.size() == 32;
  }
  sodium_memzero(text.data(), text.size());
  if (!decoded || sodium_init() < 0) {
    if (!seed.empty()) sodium_memzero(seed.data(), seed.size());
    error = narrow_ascii(path) + " is not a secret key file made by velmora-publish keygen";
    return false;
  }
  crypto_sign_seed_keypair(keys.public_key, keys.secret_key, seed.data());
  sodium_memzero(seed.data(), seed.size());
  return true;
}

bool read_secret_key_file_noting_old_form(const PathString& path, KeyPair& keys, std::string& error) {
  bool old_form = false;
  if (!read_secret_key_file(path, keys, old_form, error)) return false;
  if (old_form) {
    std::fprintf(stderr,
                 "velmora-publish: note: %s is an old-form secret key, 44 characters that look exactly like a "
                 "public key, so no build can refuse it as one; make a new key with velmora-publish keygen (and "
                 "build the launcher with its public key)\n",
                 narrow_ascii(path).c_str());
  }
  return true;
}

}  // namespace vup::publish
