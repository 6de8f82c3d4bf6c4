// The installer's view of the real file system: folder listings, what stands at a
// path, the install marker, and the program's own file.
#pragma once

#include <cstddef>
#include <string>

#include "fs/platform_path.h"
#include "install/folder_check.h"

namespace vup {

// A listing stops after this many entries and still counts as complete.
inline constexpr std::size_t folder_listing_cap = 100000;

// The entries of `folder` as UTF-8 names. On Windows through FindFirstFileExW on
// "\\?\" + folder + "\*" (a network path keeps its own form). Fails when the
// folder cannot be opened or the listing ends with an error.
[[nodiscard]] FolderListing list_folder(const PathString& folder);

// What stands at `path`: a missing path (or a missing folder on the way), a real
// folder, or anything else (a file, a link, a junction, a path that cannot be
// queried).
[[nodiscard]] PathKind path_kind(const PathString& path);

// The last part of `path` (after its last separator).
[[nodiscard]] PathView file_name_of(PathView path);

class SystemFolderProbe final : public FolderProbe {
 public:
  FolderListing list(const PathString& folder) override { return list_folder(folder); }
  PathKind kind(const PathString& path) override { return path_kind(path); }
  bool marker_matches(const PathString& folder) override;
};

// check_folder on the real file system for the running program.
[[nodiscard]] FolderCheck check_program_folder(const PathString& game_folder);

}  // namespace vup
