// What the scan and the inspection need from the platform: one open folder
// listing at a time and one query per path. Implemented by game_folder_win.cpp
// and game_folder_posix.cpp; only game_folder.cpp uses it.
#pragma once

#include <memory>
#include <optional>

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

  // `folder` is a full path (scan_root and below). On `failed`, error_code()
  // tells why.
  [[nodiscard]] ListingStart open(const PathString& folder);
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

enum class PathKind { missing, file, folder, link, failed };
// What stands at `path` (a plain path, without any long-path prefix), without
// following a link. On `failed`, `code` holds the platform's error code.
[[nodiscard]] PathKind query_path(const PathString& path, int& code);

// The form in which callers open `path`: "\\?\" + path on Windows.
[[nodiscard]] PathString long_path(const PathString& path);

}  // namespace vup::detail
