// Whatever decodes must be the one canonical encoding of its bytes.
#include <cstdint>
#include <string_view>
#include <vector>

#include "manifest/base64.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::uint8_t> out{42};
  if (quillfen::updater::base64_decode(text, out)) {
    FUZZ_CHECK(quillfen::updater::base64_encode(out.data(), out.size()) == text);
  } else {
    FUZZ_CHECK(out.empty());
  }
  return 0;
}
