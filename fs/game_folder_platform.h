// What the scan and the inspection need from the platform: one open folder
// listing at a time, and queries of paths. Implemented by game_folder_win.cpp
// and game_folder_posix.cpp; only game_folder.cpp uses it.
#pragma once

#include <memory>
#include <optional>

#include "fs/file_primitives.h"
#include "fs/platform_path.h"

namespace vup::detail {

struct FolderEntry {
  PathString name;
  bool is_folder = false;  // a real folder, never a link to one
};

enum class ListingStart { opened, empty, failed };
enum class ListingStep { entry, done, failed };

// One folder being listed; closed on destruction.
class FolderListing {
 public:
  FolderListing();
  ~FolderListing();
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;

  // `folder` is a full path (scan_root and below). A link is never entered, but
  // for the game folder itself: the folder the user named may be one. On
  // `failed`, error_code() tells why.
  [[nodiscard]] ListingStart open(const PathString& folder, bool is_game_folder);
  // The next entry, "." and ".." included where the platform gives them.
  [[nodiscard]] ListingStep next(FolderEntry& entry);
  [[nodiscard]] int error_code() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The folder the scan lists from: on Windows the long-path form.
[[nodiscard]] PathString scan_root(const PathString& game_folder);

// Whether inspection may work in this folder at all (a local, absolute folder).
[[nodiscard]] bool is_local_folder(const PathString& game_folder);

// `special` is what is neither a file, a folder nor a link: a pipe, a device.
enum class PathKind { missing, file, folder, link, special, failed };

// Queries about what stands at paths, one after another.
class PathQueries {
 public:
  PathQueries();
  ~PathQueries();
  PathQueries(const PathQueries&) = delete;
  PathQueries& operator=(const PathQueries&) = delete;

  // What stands at `path` (a plain path, without any long-path prefix), without
  // following a link; for a file, its size and time in `stat` from the same query.
  // On `failed`, `code` holds the platform's error code. On POSIX the folder of the
  // last path stays open, so that a run of paths in one folder costs one name's
  // lookup each.
  [[nodiscard]] PathKind query(const PathString& path, int& code, FileStat& stat);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The form in which callers open `path`: "\\?\" + path on Windows.
[[nodiscard]] PathString long_path(PathString path);

}  // namespace vup::detail
