// What the updater may touch in the game folder: the listing of every file in it
// and the mapping of a manifest path to the local path of its file.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fs/file_primitives.h"
#include "fs/platform_path.h"

namespace vup {

// Lists every file below `game_folder` in manifest form ("/" separators, non-ASCII
// characters as "?"), depth first without recursion. Links and reparse points are
// listed as files and never entered; the game folder itself may be a link. False
// with one player-facing sentence in `error` when more than `max_entries` entries
// (files and folders) are found, a folder cannot be read, or `stop` is set
// ("stopped").
[[nodiscard]] bool scan_game_folder(const PathString& game_folder, std::uint32_t max_entries,
                                    std::vector<std::string>& files, std::string& error,
                                    const std::atomic<bool>* stop = nullptr);

// The game folder in the form every path of a run starts from: on Windows the long
// form, "\\?\" + folder (unchanged when it already carries a prefix or is a
// network path); on POSIX the folder itself.
[[nodiscard]] PathString long_folder_path(const PathString& game_folder);

// What the inspection found for one manifest path.
struct InspectedPath {
  PathString local;              // "\\?\" + folder + "\" + path on Windows, folder + "/" + path on POSIX
  std::optional<FileStat> stat;  // the file's size and time from the same query; empty when it does not exist
};

// Maps manifest paths to the local paths of their files in one game folder.
// Refused, with one sentence in `error`: an unsafe path, a game folder that is
// not on a local drive, and any existing part of the way that is a link, a file
// where a folder belongs, a folder where the file belongs, or a file that is not
// a regular one (a pipe, a device). Nothing on the disk is changed. A folder on
// the way that one inspection found, or found missing, is not examined again by
// the next: an inspector serves one pass over a manifest.
class GameFolderInspector {
 public:
  explicit GameFolderInspector(PathString game_folder);
  ~GameFolderInspector();
  GameFolderInspector(const GameFolderInspector&) = delete;
  GameFolderInspector& operator=(const GameFolderInspector&) = delete;

  [[nodiscard]] std::optional<InspectedPath> inspect(std::string_view manifest_path, std::string& error);

 private:
  struct Seen;
  PathString game_folder_;
  bool local_;
  std::unique_ptr<Seen> seen_;
};

// One inspection on its own: the local path of `manifest_path` in `game_folder`.
[[nodiscard]] std::optional<PathString> inspect_game_path(const PathString& game_folder,
                                                          std::string_view manifest_path, std::string& error);

// `game_path` as the game folder spells it: each part matched against what its
// folder holds, ignoring ASCII letter case, an exact match first; a part without a
// match, and everything after it, is kept as given. The state remembers paths in
// folded form; this finds their files on a case-sensitive file system too.
[[nodiscard]] std::string spelled_game_path(const PathString& game_folder, std::string_view game_path);

}  // namespace vup
