#include "manifest/envelope.h"

#include <string>

#include <gtest/gtest.h>

#include "base/constants.h"
#include "manifest/base64.h"
#include "manifest/signature.h"
#include "tests/support/test_signing.h"

namespace {

using namespace quillfen::updater;
using vup::test::envelope_from;
using vup::test::make_test_key;
using vup::test::manifest_text;
using vup::test::sign_detached;
using vup::test::signed_envelope;

std::string b64(std::string_view s) {
  return base64_encode(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}
std::string b64(const std::vector<std::uint8_t>& v) { return base64_encode(v.data(), v.size()); }

std::vector<std::uint8_t> from_hex(std::string_view hex) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return out;
}

const vup::test::TestKey key = make_test_key(7);
const vup::test::TestKey other_key = make_test_key(8);
const std::string payload = manifest_text(1794484400, {{"KSLv41.exe", 3, std::string(64, 'a'), false}});

TEST(Signature, Rfc8032Vectors) {
  const struct {
    const char* public_key;
    const char* message;
    const char* signature;
  } cases[] = {
      {"d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
       "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b"},
      {"3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
       "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302aeeb00d291612bb0c00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.public_key);
    const auto pk = from_hex(c.public_key);
    const auto msg = from_hex(c.message);
    auto sig = from_hex(c.signature);
    std::uint8_t public_key[32], signature[64];
    std::copy(pk.begin(), pk.end(), public_key);
    std::copy(sig.begin(), sig.end(), signature);
    EXPECT_TRUE(ed25519_signature_valid(signature, public_key, msg.data(), msg.size()));
    signature[63] ^= 0x10;
    EXPECT_FALSE(ed25519_signature_valid(signature, public_key, msg.data(), msg.size()));
  }
}

TEST(Envelope, OpensAManifestSignedByTheKey) {
  const ManifestResult r = open_signed_manifest(signed_envelope(key, payload), key.public_key, 1794484334);
  ASSERT_EQ(r.error, manifest_ok) << r.detail;
  EXPECT_EQ(r.manifest.seq, 1794484400);
  ASSERT_EQ(r.manifest.files.size(), 1u);
  EXPECT_EQ(r.manifest.files[0].path, "KSLv41.exe");

  // Extra keys are ignored.
  const auto sig = sign_detached(key, payload);
  const std::string extra = R"({"v":2,"payload":")" + b64(payload) + R"(","sig":")" + b64(sig) + R"(","x":[]})";
  EXPECT_EQ(open_signed_manifest(extra, key.public_key, 0).error, manifest_ok);
}

TEST(Envelope, SizeLimitIsExactlyOneMebibyte) {
  // Pad a valid envelope with trailing whitespace, which JSON allows.
  std::string envelope = signed_envelope(key, payload);
  envelope.append(vup::max_envelope_size - envelope.size(), ' ');
  ASSERT_EQ(envelope.size(), 1048576u);
  EXPECT_EQ(open_signed_manifest(envelope, key.public_key, 0).error, manifest_ok);

  envelope += ' ';
  const ManifestResult r = open_signed_manifest(envelope, key.public_key, 0);
  EXPECT_EQ(r.error, manifest_too_large);
  EXPECT_EQ(r.detail, "");
  // Too large is decided by the length alone: garbage of that size is not parsed.
  EXPECT_EQ(open_signed_manifest(std::string(1048577, '['), key.public_key, 0).error, manifest_too_large);
}

TEST(Envelope, RefusesMalformedEnvelopes) {
  const std::string good_payload = b64(payload);
  const std::string good_sig = b64(sign_detached(key, payload));
  const std::string url_safe = "-_-_";  // "+/+/" in the standard alphabet
  const std::string unpadded = "YWJjZA";  // "abcd" without its "=="
  std::string loose_bits = b64("ab");  // "YWI=": make the bits under "=" non-zero
  loose_bits[2] = 'J';

  const struct {
    const char* name;
    std::string envelope;
    int error;
    const char* detail;
  } cases[] = {
      {"array", "[]", envelope_malformed, "not a JSON object"},
      {"trailing comma", R"({"payload":"","sig":"",})", envelope_malformed, "not a JSON object"},
      {"second value", envelope_from(good_payload, good_sig) + "{}", envelope_malformed, "not a JSON object"},
      {"bad utf-8", "{\"payload\":\"\xFF\",\"sig\":\"\"}", envelope_malformed, "not a JSON object"},
      {"empty", "", envelope_malformed, "not a JSON object"},
      {"payload number", R"({"payload":5,"sig":")" + good_sig + "\"}", envelope_malformed, "payload or sig missing"},
      {"sig missing", R"({"payload":")" + good_payload + "\"}", envelope_malformed, "payload or sig missing"},
      {"sig null", R"({"payload":")" + good_payload + R"(","sig":null})", envelope_malformed, "payload or sig missing"},
      {"payload empty", envelope_from("", good_sig), envelope_malformed, "payload"},
      {"payload line break", envelope_from(good_payload.substr(0, 8) + "\n" + good_payload.substr(8), good_sig),
       envelope_malformed, "payload"},
      {"payload url-safe", envelope_from(url_safe, good_sig), envelope_malformed, "payload"},
      {"payload unpadded", envelope_from(unpadded, good_sig), envelope_malformed, "payload"},
      {"payload loose bits", envelope_from(loose_bits, good_sig), envelope_malformed, "payload"},
      {"sig 63 bytes", envelope_from(good_payload, b64(std::string(63, 's'))), envelope_malformed, "sig"},
      {"sig 65 bytes", envelope_from(good_payload, b64(std::string(65, 's'))), envelope_malformed, "sig"},
      {"sig not base64", envelope_from(good_payload, "!"), envelope_malformed, "sig"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ManifestResult r = open_signed_manifest(c.envelope, key.public_key, 0);
    EXPECT_EQ(r.error, c.error);
    EXPECT_EQ(r.detail, c.detail);
    EXPECT_TRUE(r.manifest.files.empty());
  }
}

TEST(Envelope, AnyChangeBreaksTheSignature) {
  std::string changed_payload = payload;
  changed_payload[changed_payload.find("KSL")] = 'X';
  auto sig = sign_detached(key, payload);
  auto flipped_sig = sig;
  flipped_sig[10] ^= 0x01;

  const struct {
    const char* name;
    std::string envelope;
  } cases[] = {
      {"payload changed", envelope_from(b64(changed_payload), b64(sig))},
      {"signature changed", envelope_from(b64(payload), b64(flipped_sig))},
      {"other key", signed_envelope(other_key, payload)},
      {"zero signature", envelope_from(b64(payload), b64(std::string(64, '\0')))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ManifestResult r = open_signed_manifest(c.envelope, key.public_key, 0);
    EXPECT_EQ(r.error, signature_invalid);
    EXPECT_EQ(r.detail, "");
    EXPECT_TRUE(r.manifest.files.empty());
  }
}

TEST(Envelope, SignedButNotAManifestGivesTheParseError) {
  EXPECT_EQ(open_signed_manifest(signed_envelope(key, "[1,2]"), key.public_key, 0).error, manifest_malformed);
  EXPECT_EQ(open_signed_manifest(signed_envelope(key, "[1,2]"), key.public_key, 0).detail, "not a JSON object");
  const ManifestResult old = open_signed_manifest(signed_envelope(key, payload), key.public_key, 1794484401);
  EXPECT_EQ(old.error, manifest_outdated);
  EXPECT_EQ(old.detail, "1794484400");
}

}  // namespace
