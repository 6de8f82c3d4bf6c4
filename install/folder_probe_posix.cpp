// POSIX folder listing (opendir/readdir), lstat queries and /proc/self/exe.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "install/folder_probe.h"

namespace vup {
namespace {

class Folder {
 public:
  explicit Folder(DIR* folder) : folder_(folder) {}
  ~Folder() {
    if (folder_ != nullptr) closedir(folder_);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  DIR* get() const { return folder_; }

 private:
  DIR* folder_;
};

}  // namespace

FolderListing list_folder(const PathString& folder) {
  FolderListing listing;
  Folder handle(opendir(folder.c_str()));
  if (handle.get() == nullptr) return listing;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(handle.get());
    if (entry == nullptr) {
      if (errno != 0) return listing;
      break;
    }
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    listing.names.emplace_back(entry->d_name);
    if (listing.names.size() >= folder_listing_cap) break;
  }
  listing.ok = true;
  return listing;
}

PathKind path_kind(const PathString& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? PathKind::missing : PathKind::other;
  }
  return S_ISDIR(info.st_mode) ? PathKind::directory : PathKind::other;
}


}  // namespace vup
