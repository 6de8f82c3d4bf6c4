// A safe path stays inside the game folder, and folding keeps it safe and is
// idempotent; folding never changes the length or anything but "A"-"Z".
#include <cstdint>
#include <string>
#include <string_view>

#include "fs/game_path.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  const std::string folded = vup::fold_game_path(path);
  FUZZ_CHECK(folded.size() == path.size());
  for (std::size_t i = 0; i < size; ++i) {
    const char c = path[i];
    FUZZ_CHECK(folded[i] == ((c >= 'A' && c <= 'Z') ? c + 32 : c));
  }
  FUZZ_CHECK(vup::fold_game_path(folded) == folded);
  if (!vup::is_safe_game_path(path)) return 0;

  FUZZ_CHECK(vup::is_safe_game_path(folded));
  FUZZ_CHECK(size >= 1 && size <= 200 && path.front() != '/' && path.back() != '/');
  std::size_t start = 0;
  while (start <= size) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = size;
    const std::string_view segment = path.substr(start, end - start);
    FUZZ_CHECK(!segment.empty() && segment != "." && segment != ".." && segment.size() <= 100);
    FUZZ_CHECK(segment.find_first_of("\\:*?\"<>|~") == std::string_view::npos);
    FUZZ_CHECK(!vup::is_reserved_device_name(segment));
    start = end + 1;
  }
  return 0;
}
