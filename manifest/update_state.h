// The update state: what the last runs learnt about the game folder, saved as
// "VelmoraUpdater.state.json" in it so that unchanged files need no hashing.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace quillfen::updater {

struct StateRecord {
  std::uint64_t size = 0;
  std::int64_t mtime = 0;  // the platform's last-write file time, as the file status gave it
  std::string sha256;      // 64 lower-case hexadecimal digits
};

struct UpdateState {
  std::int64_t last_seq = 0;  // highest manifest seq applied; never negative once loaded
  std::map<std::string, StateRecord> files;  // key: the folded game path
};

// Reads a state text, all or nothing: true when every rule holds and `state` then
// holds exactly what the text says; false otherwise, with `state` empty. `state`
// is emptied first. Never throws.
[[nodiscard]] bool parse_update_state(std::string_view text, UpdateState& state) noexcept;

// The text of the state file: sorted keys, one space of indent per level, a final
// line break. A text in this form parses and serialises back to the same bytes.
[[nodiscard]] std::string serialize_update_state(const UpdateState& state);

}  // namespace quillfen::updater
