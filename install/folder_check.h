// What the folder the program runs from is, for the installer: a game folder, a
// folder holding nothing but the program, a folder whose install has started
// (here or, before a move, elsewhere), or anything else, in which case the game
// goes into the subfolder "Velmora". The decision is portable; the file system is
// reached through FolderProbe, so tests feed listings as input.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fs/platform_path.h"

namespace vup {

// A folder's entries as UTF-8 names, "." and ".." left out, files and folders not
// told apart. `ok` is false when the folder could not be listed to its end.
struct FolderListing {
  bool ok = false;
  std::vector<std::string> names;
};

enum class FolderKind : int {
  game = 0,             // "KSLv41.exe" is there: update in place
  updater_alone = 1,    // only the program (and its state file): offer to install here
  install_started = 2,  // the marker names this folder: carry the install on
  install_moved = 3,    // the marker names another folder: ask before finishing here
  other = 4,            // anything else: install into the subfolder "Velmora"
};

// The kind of a folder from its listing. A failed or empty listing, or a drive
// root without the game, is `other`; an entry that is neither allowed nor the
// program's own file, its state file or a backup of the launcher keeps a marker
// from counting. The program's own file, the state file and the launcher's
// backups never count against a folder.
[[nodiscard]] FolderKind classify(const FolderListing& listing, bool drive_root, std::string_view own_name,
                                  bool marker_matches);

// What stands at a path, not following a link.
enum class PathKind { missing, directory, other };

// The file system as the folder check sees it.
class FolderProbe {
 public:
  virtual ~FolderProbe() = default;
  [[nodiscard]] virtual FolderListing list(const PathString& folder) = 0;
  // `directory` only for a real folder, never for a link or a junction.
  [[nodiscard]] virtual PathKind kind(const PathString& path) = 0;
  // Whether the folder holds an install marker that names it.
  [[nodiscard]] virtual bool marker_matches(const PathString& folder) = 0;
};

struct FolderCheck {
  FolderKind kind = FolderKind::other;
  bool cannot_hold = false;           // nothing can be installed from here; `message` says why
  bool unfinished_subfolder = false;  // the subfolder holds a started install
  PathString target;                  // the game folder, or for `other` its subfolder
  std::string message;                // UTF-8
};

// Checks `game_folder` (the program's folder, without a trailing separator);
// `own_name` is the program's file name in UTF-8. Refuses a network folder, and
// a "Velmora" subfolder that is a file, a link or a folder already holding other
// things. Changes nothing on the disk.
[[nodiscard]] FolderCheck check_folder(FolderProbe& probe, const PathString& game_folder,
                                       std::string_view own_name);

}  // namespace vup
