// Any bytes as an envelope, checked with a fixed test key: never a crash, and an
// accepted manifest has the same guarantees as one from the parse alone.
#include <cstdint>
#include <string_view>

#include "base/constants.h"
#include "manifest/envelope.h"
#include "tests/fuzz/manifest_invariants.h"
#include "tests/fuzz/reference_formats.h"
#include "tests/support/test_signing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const vup::test::TestKey key = vup::test::make_test_key(7);
  const std::string_view envelope(reinterpret_cast<const char*>(data), size);
  const std::int64_t min_seq = 1794484334;
  const auto result = quillfen::updater::open_signed_manifest(envelope, key.public_key, min_seq);
  check_manifest_result(result, min_seq);
  FUZZ_CHECK(same_result(result, reference::open_signed_manifest(envelope, key.public_key, min_seq)));
  if (size > vup::max_envelope_size) FUZZ_CHECK(result.error == quillfen::updater::manifest_too_large);
  return 0;
}
