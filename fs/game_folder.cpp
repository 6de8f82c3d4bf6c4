#include "fs/game_folder.h"

#include <utility>

#include "fs/file_primitives.h"
#include "fs/game_folder_platform.h"
#include "fs/game_path.h"

namespace vup {
namespace {

const char* const retry_advice = "). Move or remove that folder, then try again";

std::string folder_words(const PathString& relative) {
  return relative.empty() ? std::string("of the game") : narrow_ascii(relative);
}

std::string manifest_form(const PathString& relative) {
  std::string listed = narrow_ascii(relative);
  for (char& c : listed) {
    if (c == static_cast<char>(path_separator)) c = '/';
  }
  return listed;
}

}  // namespace

bool scan_game_folder(const PathString& game_folder, std::uint32_t max_entries, std::vector<std::string>& files,
                      std::string& error, const std::atomic<bool>* stop) {
  files.clear();
  const PathString root = detail::scan_root(game_folder);
  std::vector<PathString> pending(1);  // relative folders; the game folder is the empty one
  std::uint64_t entries = 0;
  while (!pending.empty()) {
    const PathString relative = std::move(pending.back());
    pending.pop_back();
    if (stop != nullptr && stop->load()) {
      error = "stopped";
      return false;
    }
    const PathString folder = relative.empty() ? root : root + path_separator + relative;
    detail::FolderListing listing;
    const detail::ListingStart start = listing.open(folder);
    if (start == detail::ListingStart::empty) continue;
    if (start == detail::ListingStart::failed) {
      error = "cannot read the folder " + folder_words(relative) + " (error " + std::to_string(listing.error_code()) +
              retry_advice;
      return false;
    }
    detail::FolderEntry entry;
    for (;;) {
      const detail::ListingStep step = listing.next(entry);
      if (step == detail::ListingStep::done) break;
      if (step == detail::ListingStep::failed) {
        error = "cannot finish reading the folder " + folder_words(relative) + " (error " +
                std::to_string(listing.error_code()) + retry_advice;
        return false;
      }
      if (entry.name == VUP_PATH(".") || entry.name == VUP_PATH("..")) continue;
      if (++entries > max_entries) {
        error = "the game folder holds more than " + std::to_string(max_entries) +
                " files. Remove files you added to it, then try again";
        return false;
      }
      PathString path = relative.empty() ? entry.name : relative + path_separator + entry.name;
      if (entry.is_folder) {
        pending.push_back(std::move(path));
      } else {
        files.push_back(manifest_form(path));
      }
    }
  }
  return true;
}

std::optional<PathString> inspect_game_path(const PathString& game_folder, std::string_view manifest_path,
                                            std::string& error) {
  if (!is_safe_game_path(manifest_path)) {
    error = "the manifest names an unsafe path";
    return std::nullopt;
  }
  if (!detail::is_local_folder(game_folder)) {
    error = "the game folder must be on a local drive (not a network path)";
    return std::nullopt;
  }
  PathString path = game_folder;
  bool checking = true;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t slash = manifest_path.find('/', begin);
    const bool last = slash == std::string_view::npos;
    path += path_separator;
    path += widen_bytes(manifest_path.substr(begin, last ? std::string_view::npos : slash - begin));
    if (checking) {
      int code = 0;
      switch (detail::query_path(path, code)) {
        case detail::PathKind::missing:
          // The rest of the way does not exist yet; there is nothing below to examine.
          checking = false;
          break;
        case detail::PathKind::failed:
          error = "cannot inspect " + narrow_ascii(path) + " (error " + std::to_string(code) + ")";
          return std::nullopt;
        case detail::PathKind::link:
          error = narrow_ascii(path) + " is a junction or symbolic link";
          return std::nullopt;
        case detail::PathKind::folder:
          if (last) {
            error = narrow_ascii(path) + " is a folder where a file belongs";
            return std::nullopt;
          }
          break;
        case detail::PathKind::file:
          if (!last) {
            error = narrow_ascii(path) + " is a file where a folder belongs";
            return std::nullopt;
          }
          break;
      }
    }
    if (last) break;
    begin = slash + 1;
  }
  return detail::long_path(path);
}

std::string spelled_game_path(const PathString& game_folder, std::string_view game_path) {
  std::string spelled;
  PathString folder = detail::scan_root(game_folder);
  std::size_t start = 0;
  while (start <= game_path.size()) {
    std::size_t end = game_path.find('/', start);
    if (end == std::string_view::npos) end = game_path.size();
    const std::string_view part = game_path.substr(start, end - start);
    const std::string folded = fold_game_path(part);

    std::string found;
    detail::FolderListing listing;
    if (listing.open(folder) == detail::ListingStart::opened) {
      detail::FolderEntry entry;
      while (listing.next(entry) == detail::ListingStep::entry) {
        const std::string name = narrow_ascii(entry.name);
        if (name == part) {
          found = name;
          break;
        }
        if (found.empty() && fold_game_path(name) == folded) found = name;
      }
    }
    if (found.empty()) return spelled + std::string(game_path.substr(start));
    spelled += found;
    if (end == game_path.size()) break;
    spelled += '/';
    folder += path_separator;
    folder += widen_bytes(found);
    start = end + 1;
  }
  return spelled;
}

}  // namespace vup
