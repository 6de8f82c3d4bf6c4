// What the updater may touch in the game folder: the listing of every file in it
// and the mapping of a manifest path to the local path of its file.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fs/platform_path.h"

namespace vup {

// Lists every file below `game_folder` in manifest form ("/" separators, non-ASCII
// characters as "?"), depth first without recursion. Links and reparse points are
// listed as files and never entered. False with one player-facing sentence in
// `error` when more than `max_entries` entries (files and folders) are found, a
// folder cannot be read, or `stop` is set ("stopped").
[[nodiscard]] bool scan_game_folder(const PathString& game_folder, std::uint32_t max_entries,
                                    std::vector<std::string>& files, std::string& error,
                                    const std::atomic<bool>* stop = nullptr);

// The local path of `manifest_path` in `game_folder` ("\\?\" + folder + "\" + path
// on Windows, folder + "/" + path on POSIX). Refused, with one sentence in
// `error`: an unsafe path, a game folder that is not on a local drive, and any
// existing part of the way that is a link, a file where a folder belongs or a
// folder where the file belongs. Nothing on the disk is changed.
[[nodiscard]] std::optional<PathString> inspect_game_path(const PathString& game_folder,
                                                          std::string_view manifest_path, std::string& error);

// `game_path` as the game folder spells it: each part matched against what its
// folder holds, ignoring ASCII letter case, an exact match first; a part without a
// match, and everything after it, is kept as given. The state remembers paths in
// folded form; this finds their files on a case-sensitive file system too.
[[nodiscard]] std::string spelled_game_path(const PathString& game_folder, std::string_view game_path);

}  // namespace vup
