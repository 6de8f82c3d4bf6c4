#include "fs/game_folder.h"

#include <unordered_set>
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
    const detail::ListingStart start = listing.open(folder, relative.empty());
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

PathString long_folder_path(const PathString& game_folder) { return detail::scan_root(game_folder); }

// What one pass has learnt about the folders on the way.
struct GameFolderInspector::Seen {
  std::unordered_set<PathString> folders;  // found to be folders, as plain paths
  std::unordered_set<PathString> missing;  // found missing: nothing below them exists
  // The manifest-form folder of the last path, when all of it was found to be
  // folders: a manifest lists the files of one folder together.
  std::string last_folder;
  bool last_folder_known = false;
  detail::PathQueries queries;
};

GameFolderInspector::GameFolderInspector(PathString game_folder)
    : game_folder_(std::move(game_folder)),
      local_(detail::is_local_folder(game_folder_)),
      seen_(std::make_unique<Seen>()) {}

GameFolderInspector::~GameFolderInspector() = default;

std::optional<InspectedPath> GameFolderInspector::inspect(std::string_view manifest_path, std::string& error) {
  if (!is_safe_game_path(manifest_path)) {
    error = "the manifest names an unsafe path";
    return std::nullopt;
  }
  if (!local_) {
    error = "the game folder must be on a local drive (not a network path)";
    return std::nullopt;
  }
  InspectedPath found;
  const std::size_t last_slash = manifest_path.rfind('/');
  const std::string_view folder = manifest_path.substr(0, last_slash == std::string_view::npos ? 0 : last_slash);
  const bool folder_known = seen_->last_folder_known && seen_->last_folder == folder;
  bool all_folders = true;
  PathString path;
  path.reserve(game_folder_.size() + manifest_path.size() + 1);
  path = game_folder_;
  bool checking = true;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t slash = manifest_path.find('/', begin);
    const bool last = slash == std::string_view::npos;
    path += path_separator;
    path += widen_bytes(manifest_path.substr(begin, last ? std::string_view::npos : slash - begin));
    if (!checking || (!last && (folder_known || seen_->folders.count(path) != 0))) {
      // Nothing to examine: below a missing part, or a folder seen for an earlier path.
    } else if (!last && seen_->missing.count(path) != 0) {
      checking = false;
      all_folders = false;
    } else {
      int code = 0;
      FileStat stat;
      switch (seen_->queries.query(path, code, stat)) {
        case detail::PathKind::missing:
          // The rest of the way does not exist yet; there is nothing below to examine.
          checking = false;
          if (!last) {
            seen_->missing.insert(path);
            all_folders = false;
          }
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
          seen_->folders.insert(path);
          break;
        case detail::PathKind::file:
          if (!last) {
            error = narrow_ascii(path) + " is a file where a folder belongs";
            return std::nullopt;
          }
          found.stat = stat;
          break;
        case detail::PathKind::special:
          // Reading a pipe or a device could wait for ever.
          error = narrow_ascii(path) + (last ? " is not a regular file" : " is a file where a folder belongs");
          return std::nullopt;
      }
    }
    if (last) break;
    begin = slash + 1;
  }
  if (!folder_known) {
    seen_->last_folder.assign(folder);
    seen_->last_folder_known = all_folders;
  }
  found.local = detail::long_path(std::move(path));
  return found;
}

std::optional<PathString> inspect_game_path(const PathString& game_folder, std::string_view manifest_path,
                                            std::string& error) {
  GameFolderInspector inspector(game_folder);
  std::optional<InspectedPath> found = inspector.inspect(manifest_path, error);
  if (!found) return std::nullopt;
  return std::move(found->local);
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
    if (listing.open(folder, start == 0) == detail::ListingStart::opened) {
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
