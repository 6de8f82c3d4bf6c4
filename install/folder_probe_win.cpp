// Win32 folder listing (FindFirstFileExW), attribute queries and the program's path.
#include <windows.h>

#include <vector>

#include "fs/utf8_path.h"
#include "install/folder_probe.h"

namespace vup {
namespace {

class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (valid()) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

bool is_dot_entry(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == L'\0') || (name[0] == L'.' && name[1] == L'.' && name[2] == L'\0');
}

PathString long_form(const PathString& path) {
  if (path.compare(0, 2, L"\\\\") == 0) return path;
  return L"\\\\?\\" + path;
}

}  // namespace

FolderListing list_folder(const PathString& folder) {
  FolderListing listing;
  const PathString pattern = long_form(folder) + L"\\*";
  WIN32_FIND_DATAW data{};
  FindHandle find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  if (!find.valid()) return listing;
  for (;;) {
    if (!is_dot_entry(data.cFileName)) {
      listing.names.push_back(path_to_utf8(data.cFileName));
      if (listing.names.size() >= folder_listing_cap) break;
    }
    if (!FindNextFileW(find.get(), &data)) {
      if (GetLastError() != ERROR_NO_MORE_FILES) return listing;
      break;
    }
  }
  listing.ok = true;
  return listing;
}

PathKind path_kind(const PathString& path) {
  const DWORD attributes = GetFileAttributesW(long_form(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? PathKind::missing : PathKind::other;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return PathKind::directory;
  }
  return PathKind::other;
}


}  // namespace vup
