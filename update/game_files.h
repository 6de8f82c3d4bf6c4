// Shared by the update run and the pre-launch check: the names they use in the
// game folder and the cache that spares hashing of unchanged files.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

#include "base/constants.h"
#include "fs/file_primitives.h"
#include "manifest/update_state.h"
#include "update/reporter.h"

namespace vup {

// folder + separator + name.
[[nodiscard]] PathString child_path(const PathString& folder, std::string_view name);

// A path for messages: without the "\\?\" prefix, non-ASCII characters as "?".
[[nodiscard]] std::string display_path(PathView path);

// True for names that end in ".dll" or ".rk" in any letter case: the only files
// that can be foreign, and the only ones the updater removes.
[[nodiscard]] bool is_watched_file(std::string_view game_path);

// Whether `record` still describes a file with status `stat`: the same size and
// last-write time, so that its digest stands for reading the file.
[[nodiscard]] bool record_matches(const quillfen::updater::StateRecord& record, const FileStat& stat);

// The SHA-256 of the game file at `local` with status `stat`, whose state key
// (folded path) is `key`. A record in `state` with the same size and time stands
// in for reading the file; otherwise the file is hashed (notice 2, and the
// "  checking" line when `checking_line` is set) and a good result replaces the
// record, which `stored` (when given) then says. The digest is the record's, valid
// until `state` changes; null when the hash fails or `stop` is set.
[[nodiscard]] const std::string* cached_sha256(quillfen::updater::UpdateState& state, const std::string& key,
                                               std::string_view game_path, const PathString& local,
                                               const FileStat& stat, const std::atomic<bool>& stop,
                                               Reporter& reporter, bool checking_line, bool* stored = nullptr);

}  // namespace vup
