#include "manifest/base64.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using quillfen::updater::base64_decode;
using quillfen::updater::base64_encode;
using quillfen::updater::decode_builtin_key;

std::string as_text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(Base64, DecodesRfc4648Vectors) {
  const struct {
    const char* text;
    const char* bytes;
  } cases[] = {
      {"Zg==", "f"}, {"Zm8=", "fo"}, {"Zm9v", "foo"}, {"Zm9vYg==", "foob"},
      {"Zm9vYmE=", "fooba"}, {"Zm9vYmFy", "foobar"}, {"+/+/", "\xFB\xFF\xBF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::uint8_t> out{1, 2, 3};
    ASSERT_TRUE(base64_decode(c.text, out));
    EXPECT_EQ(as_text(out), c.bytes);
    EXPECT_EQ(base64_encode(out.data(), out.size()), c.text);
  }
}

TEST(Base64, RefusesNonCanonicalText) {
  const char* cases[] = {
      "",            // nothing to decode
      "Zm9",         // padding left out
      "Zm9vY",       // length not a multiple of 4
      "Zm9v\nYmFy",  // line break inside
      "Zm9v YmFy",   // space inside
      "-_-_",        // URL-safe alphabet
      "Zh==",        // non-zero bits under two "="
      "Zm9=",        // non-zero bits under one "="
      "=m9v",        // padding first
      "Z===",        // padding in the second place
      "Zm=v",        // "=" then data
      "Zg==Zm9v",    // padding before the last group
      "Zm9v\xC3\xA9==",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    std::vector<std::uint8_t> out{9};
    EXPECT_FALSE(base64_decode(text, out));
    EXPECT_TRUE(out.empty());
  }
  std::vector<std::uint8_t> out{9};
  EXPECT_FALSE(base64_decode(std::string_view("Zg=\0", 4), out));
  EXPECT_TRUE(out.empty());
}

TEST(Base64, EncodeDecodeRoundTripsEveryLengthAndByte) {
  std::vector<std::uint8_t> bytes;
  for (int n = 0; n < 300; ++n) {
    bytes.push_back(static_cast<std::uint8_t>(n * 37 + 11));
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(base64_decode(base64_encode(bytes.data(), bytes.size()), back));
    ASSERT_EQ(back, bytes);
  }
}

TEST(Base64, BuiltinKeyMustBeExactly32Bytes) {
  std::vector<std::uint8_t> raw(33);
  for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(i + 1);

  std::uint8_t key[32];
  std::fill(std::begin(key), std::end(key), 0xEE);
  const std::string good = base64_encode(raw.data(), 32);
  ASSERT_EQ(good.size(), 44u);
  ASSERT_TRUE(decode_builtin_key(good, key));
  EXPECT_TRUE(std::equal(std::begin(key), std::end(key), raw.begin()));

  for (std::size_t n : {31u, 33u, 0u}) {
    SCOPED_TRACE(n);
    std::uint8_t untouched[32];
    std::fill(std::begin(untouched), std::end(untouched), 0xEE);
    EXPECT_FALSE(decode_builtin_key(base64_encode(raw.data(), n), untouched));
    EXPECT_TRUE(std::all_of(std::begin(untouched), std::end(untouched), [](auto b) { return b == 0xEE; }));
  }
  EXPECT_FALSE(decode_builtin_key(good.substr(0, 43), key));
}

}  // namespace
