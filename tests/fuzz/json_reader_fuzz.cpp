// Any bytes: the streaming reader accepts exactly what the library accepts, and
// reads the same values with the same number classes.
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/json_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto difference = vup::test::reader_disagrees(text)) {
    std::fprintf(stderr, "%s\n", difference->c_str());
    FUZZ_CHECK(!"the reader and the library disagree");
  }
  return 0;
}
