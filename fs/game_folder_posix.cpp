// POSIX folder listing (opendir/readdir) and lstat queries for the game folder
// scan and inspection. Any symbolic link counts as a link.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fs/game_folder_platform.h"

namespace vup::detail {

struct FolderListing::State {
  DIR* folder = nullptr;
  int code = 0;
  ~State() {
    if (folder != nullptr) closedir(folder);
  }
};

FolderListing::FolderListing() : state_(std::make_unique<State>()) {}
FolderListing::~FolderListing() = default;

ListingStart FolderListing::open(const PathString& folder) {
  // O_NOFOLLOW: a folder that became a link since it was listed is not entered.
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    state_->code = errno;
    return ListingStart::failed;
  }
  state_->folder = fdopendir(fd);
  if (state_->folder == nullptr) {
    state_->code = errno;
    ::close(fd);
    return ListingStart::failed;
  }
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

PathKind query_path(const PathString& path, int& code) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    code = errno;
    if (code == ENOENT || code == ENOTDIR) return PathKind::missing;
    return PathKind::failed;
  }
  if (S_ISLNK(info.st_mode)) return PathKind::link;
  return S_ISDIR(info.st_mode) ? PathKind::folder : PathKind::file;
}

PathString long_path(const PathString& path) { return path; }

}  // namespace vup::detail
