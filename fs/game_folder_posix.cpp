// POSIX folder listing (opendir/readdir) and lstat queries for the game folder
// scan and inspection. Any symbolic link counts as a link.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fs/file_stat_posix.h"
#include "fs/game_folder_platform.h"
#include "fs/unique_file.h"

namespace vup::detail {
namespace {

// A folder kept open only to look names up in it.
#ifdef O_PATH
constexpr int lookup_folder_flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int lookup_folder_flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

}  // namespace

struct FolderListing::State {
  DIR* folder = nullptr;
  int code = 0;
  ~State() {
    if (folder != nullptr) closedir(folder);
  }
};

FolderListing::FolderListing() : state_(std::make_unique<State>()) {}
FolderListing::~FolderListing() = default;

ListingStart FolderListing::open(const PathString& folder, bool is_game_folder) {
  // O_NOFOLLOW: a folder that became a link since it was listed is not entered.
  UniqueFile fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (is_game_folder ? 0 : O_NOFOLLOW)));
  if (!fd.valid()) {
    state_->code = errno;
    return ListingStart::failed;
  }
  state_->folder = fdopendir(fd.get());
  if (state_->folder == nullptr) {
    state_->code = errno;
    return ListingStart::failed;
  }
  (void)fd.release();  // the listing owns it now
  return ListingStart::opened;
}

ListingStep FolderListing::next(FolderEntry& entry) {
  errno = 0;
  const dirent* found = readdir(state_->folder);
  if (found == nullptr) {
    state_->code = errno;
    return errno == 0 ? ListingStep::done : ListingStep::failed;
  }
  entry.name = found->d_name;
  if (found->d_type == DT_UNKNOWN) {
    // Some file systems do not fill in the type.
    struct stat info {};
    if (fstatat(dirfd(state_->folder), found->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
      state_->code = errno;
      return ListingStep::failed;
    }
    entry.is_folder = S_ISDIR(info.st_mode);
  } else {
    entry.is_folder = found->d_type == DT_DIR;
  }
  return ListingStep::entry;
}

int FolderListing::error_code() const { return state_->code; }

PathString scan_root(const PathString& game_folder) { return game_folder; }

bool is_local_folder(const PathString& game_folder) {
  // No network paths here; a relative folder would depend on the working folder.
  return !game_folder.empty() && game_folder.front() == '/';
}

struct PathQueries::State {
  PathString folder;  // the folder `open_folder` refers to
  UniqueFile open_folder;
};

PathQueries::PathQueries() : state_(std::make_unique<State>()) {}
PathQueries::~PathQueries() = default;

PathKind PathQueries::query(const PathString& path, int& code, FileStat& stat) {
  // As lstat(path) does: the folder is reached the way the path reaches it, and
  // only the last name is not followed.
  const std::size_t slash = path.find_last_of('/');
  const std::string_view folder = std::string_view(path).substr(0, slash == 0 ? 1 : slash);
  if (slash != PathString::npos && (!state_->open_folder.valid() || state_->folder != folder)) {
    state_->open_folder = UniqueFile(::open(PathString(folder).c_str(), lookup_folder_flags));
    state_->folder = folder;
  }
  struct stat info {};
  const bool found = state_->open_folder.valid() && slash != PathString::npos
                         ? ::fstatat(state_->open_folder.get(), path.c_str() + slash + 1, &info, AT_SYMLINK_NOFOLLOW) == 0
                         : ::lstat(path.c_str(), &info) == 0;
  if (!found) {
    code = errno;
    if (code == ENOENT || code == ENOTDIR) return PathKind::missing;
    return PathKind::failed;
  }
  if (S_ISLNK(info.st_mode)) return PathKind::link;
  if (S_ISDIR(info.st_mode)) return PathKind::folder;
  if (!S_ISREG(info.st_mode)) return PathKind::special;
  stat = file_stat_of(info);
  return PathKind::file;
}

PathString long_path(PathString path) { return path; }

}  // namespace vup::detail
