// Any text: the state is read as the checks written on the library's tree read
// it, and an accepted state writes out to the library's dump of it, a text that
// reads back as the same state and writes out to the same bytes again.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/constants.h"
#include "fs/game_path.h"
#include "manifest/manifest.h"
#include "manifest/update_state.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/reference_formats.h"

using namespace quillfen::updater;

static bool same(const UpdateState& a, const UpdateState& b) {
  if (a.last_seq != b.last_seq || a.files.size() != b.files.size()) return false;
  for (auto i = a.files.begin(), j = b.files.begin(); i != a.files.end(); ++i, ++j) {
    if (i->first != j->first || i->second.size != j->second.size || i->second.mtime != j->second.mtime ||
        i->second.sha256 != j->second.sha256) {
      return false;
    }
  }
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  UpdateState state;
  const bool accepted = parse_update_state(text, state);
  UpdateState expected;
  FUZZ_CHECK(accepted == reference::parse_update_state(text, expected));
  if (accepted) FUZZ_CHECK(same(state, expected));
  if (!accepted) {
    FUZZ_CHECK(state.last_seq == 0 && state.files.empty());
    return 0;
  }
  FUZZ_CHECK(state.last_seq >= 0 && state.files.size() <= vup::max_state_records);
  for (const auto& [key, record] : state.files) {
    FUZZ_CHECK(vup::is_safe_game_path(key) && vup::fold_game_path(key) == key);
    FUZZ_CHECK(record.size <= vup::max_manifest_file_size && is_hex_digest(record.sha256));
  }
  const std::string written = serialize_update_state(state);
  FUZZ_CHECK(written == reference::serialize_update_state(state));
  UpdateState again;
  FUZZ_CHECK(parse_update_state(written, again));
  FUZZ_CHECK(same(state, again));
  FUZZ_CHECK(serialize_update_state(again) == written);
  return 0;
}
