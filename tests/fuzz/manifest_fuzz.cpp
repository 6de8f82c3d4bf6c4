// Any text: the parse returns a refusal with an empty manifest, or a manifest
// whose paths are safe and unique after folding; and the same result as the checks
// written on the library's tree.
#include <cstdint>
#include <string_view>

#include "manifest/manifest.h"
#include "tests/fuzz/manifest_invariants.h"
#include "tests/fuzz/reference_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::int64_t min_seq = 1794484334;
  const auto result = quillfen::updater::parse_manifest(text, min_seq);
  check_manifest_result(result, min_seq);
  FUZZ_CHECK(same_result(result, reference::parse_manifest(text, min_seq)));
  return 0;
}
