// Keys, signatures and manifest texts made by the tests themselves.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "manifest/manifest.h"

namespace vup::test {

struct TestKey {
  std::uint8_t public_key[32];
  std::uint8_t secret_key[64];
};

// A key pair derived from a 32-byte seed filled with `seed_byte`: the same every run.
TestKey make_test_key(std::uint8_t seed_byte);

std::vector<std::uint8_t> sign_detached(const TestKey& key, std::string_view message);

// {"payload": Base64(payload), "sig": Base64(signature of payload)}
std::string signed_envelope(const TestKey& key, std::string_view payload);

// An envelope from the two texts as given, for malformed cases.
std::string envelope_from(std::string_view payload_text, std::string_view sig_text);

// A manifest text with format 1, the seq and one object per entry.
std::string manifest_text(std::int64_t seq, const std::vector<quillfen::updater::FileEntry>& files);

// A valid digest made of one repeated hex digit.
std::string digest_of(char hex_digit);

}  // namespace vup::test
