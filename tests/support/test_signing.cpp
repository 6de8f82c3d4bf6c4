#include "tests/support/test_signing.h"

#include <cstdlib>

#include <nlohmann/json.hpp>
#include <sodium.h>

#include "manifest/base64.h"

namespace vup::test {

TestKey make_test_key(std::uint8_t seed_byte) {
  if (sodium_init() < 0) std::abort();
  std::uint8_t seed[32];
  for (auto& b : seed) b = seed_byte;
  TestKey key;
  crypto_sign_seed_keypair(key.public_key, key.secret_key, seed);
  return key;
}

std::vector<std::uint8_t> sign_detached(const TestKey& key, std::string_view message) {
  std::vector<std::uint8_t> sig(crypto_sign_BYTES);
  crypto_sign_detached(sig.data(), nullptr, reinterpret_cast<const unsigned char*>(message.data()),
                       message.size(), key.secret_key);
  return sig;
}

std::string signed_envelope(const TestKey& key, std::string_view payload) {
  const auto sig = sign_detached(key, payload);
  return envelope_from(
      quillfen::updater::base64_encode(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()),
      quillfen::updater::base64_encode(sig.data(), sig.size()));
}

std::string envelope_from(std::string_view payload_text, std::string_view sig_text) {
  return nlohmann::json{{"payload", payload_text}, {"sig", sig_text}}.dump();
}

std::string manifest_text(std::int64_t seq, const std::vector<quillfen::updater::FileEntry>& files) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& f : files) {
    nlohmann::json entry{{"path", f.path}, {"sha256", f.sha256}, {"size", f.size}};
    if (f.keep_local) entry["keep_local"] = true;
    list.push_back(std::move(entry));
  }
  return nlohmann::json{{"format", 1}, {"seq", seq}, {"files", std::move(list)}}.dump();
}

std::string digest_of(char hex_digit) { return std::string(64, hex_digit); }

}  // namespace vup::test
