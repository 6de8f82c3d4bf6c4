#include "update/game_files.h"

#include "fs/game_path.h"
#include "manifest/manifest.h"

namespace vup {

PathString child_path(const PathString& folder, std::string_view name) {
  PathString path = folder;
  path += path_separator;
  path += widen_bytes(name);
  return path;
}

std::string display_path(PathView path) {
  const PathView prefix = VUP_PATH("\\\\?\\");
  if (path.substr(0, prefix.size()) == prefix) path.remove_prefix(prefix.size());
  return narrow_ascii(path);
}

bool is_watched_file(std::string_view game_path) {
  const auto ends_with = [&](std::string_view end) {
    if (game_path.size() < end.size()) return false;
    const std::string_view tail = game_path.substr(game_path.size() - end.size());
    for (std::size_t i = 0; i < end.size(); ++i) {
      const char c = tail[i];
      if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c) != end[i]) return false;
    }
    return true;
  };
  return ends_with(".dll") || ends_with(".rk");
}

bool record_matches(const quillfen::updater::StateRecord& record, const FileStat& stat) {
  return record.size == stat.size && record.mtime == static_cast<std::int64_t>(stat.last_write);
}

const std::string* cached_sha256(quillfen::updater::UpdateState& state, const std::string& key,
                                 std::string_view game_path, const PathString& local, const FileStat& stat,
                                 const std::atomic<bool>& stop, Reporter& reporter, bool checking_line, bool* stored) {
  if (const auto it = state.files.find(key); it != state.files.end() && record_matches(it->second, stat)) {
    return &it->second.sha256;
  }
  if (stop.load()) return nullptr;

  reporter.notice(NoticeCode::checking_file, game_path);
  if (checking_line) {
    reporter.line("  checking " + std::string(game_path) + " (" + megabytes_text(stat.size) + ")");
  }
  std::optional<std::string> digest = hash_file(local, &stop);
  if (!digest || !quillfen::updater::is_hex_digest(*digest)) return nullptr;
  quillfen::updater::StateRecord& record = state.files[key];
  record = quillfen::updater::StateRecord{stat.size, static_cast<std::int64_t>(stat.last_write), std::move(*digest)};
  if (stored != nullptr) *stored = true;
  return &record.sha256;
}

}  // namespace vup
