// Win32 folder listing (FindFirstFileExW) and attribute queries for the game
// folder scan and inspection.
#include <windows.h>

#include "fs/game_folder_platform.h"

namespace vup::detail {
namespace {

const wchar_t* const long_prefix = L"\\\\?\\";

bool starts_with(const PathString& text, const wchar_t* prefix) {
  return text.compare(0, wcslen(prefix), prefix) == 0;
}

void take_entry(const WIN32_FIND_DATAW& data, FolderEntry& entry) {
  entry.name = data.cFileName;
  // A junction or a linked folder is listed, never entered.
  entry.is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                    (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

}  // namespace

struct FolderListing::State {
  HANDLE find = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW first{};
  bool first_pending = false;
  int code = 0;
  ~State() {
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
  }
};

FolderListing::FolderListing() : state_(std::make_unique<State>()) {}
FolderListing::~FolderListing() = default;

ListingStart FolderListing::open(const PathString& folder, bool) {
  // FindFirstFileExW enters the folder the user named even when it is a linked
  // one; the scan never asks it to enter a link below it.
  const PathString pattern = folder + L"\\*";
  state_->find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &state_->first, FindExSearchNameMatch,
                                  nullptr, 0);
  if (state_->find == INVALID_HANDLE_VALUE) {
    state_->code = static_cast<int>(GetLastError());
    return state_->code == ERROR_FILE_NOT_FOUND ? ListingStart::empty : ListingStart::failed;
  }
  state_->first_pending = true;
  return ListingStart::opened;
}

ListingStep FolderListing::next(FolderEntry& entry) {
  if (state_->first_pending) {
    state_->first_pending = false;
    take_entry(state_->first, entry);
    return ListingStep::entry;
  }
  WIN32_FIND_DATAW data{};
  if (!FindNextFileW(state_->find, &data)) {
    state_->code = static_cast<int>(GetLastError());
    return state_->code == ERROR_NO_MORE_FILES ? ListingStep::done : ListingStep::failed;
  }
  take_entry(data, entry);
  return ListingStep::entry;
}

int FolderListing::error_code() const { return state_->code; }

PathString scan_root(const PathString& game_folder) {
  if (starts_with(game_folder, long_prefix) || starts_with(game_folder, L"\\\\")) return game_folder;
  return long_prefix + game_folder;
}

bool is_local_folder(const PathString& game_folder) {
  // A network path ("\\server\share") or one that already carries a prefix.
  return !game_folder.empty() && !starts_with(game_folder, L"\\\\");
}

struct PathQueries::State {};

PathQueries::PathQueries() = default;
PathQueries::~PathQueries() = default;

PathKind PathQueries::query(const PathString& path, int& code, FileStat& stat) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW((long_prefix + path).c_str(), GetFileExInfoStandard, &data)) {
    code = static_cast<int>(GetLastError());
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return PathKind::missing;
    return PathKind::failed;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return PathKind::link;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::folder;
  // The same numbers as file_stat gives.
  stat.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stat.last_write = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                    data.ftLastWriteTime.dwLowDateTime;
  return PathKind::file;
}

PathString long_path(PathString path) { return long_prefix + path; }

}  // namespace vup::detail
