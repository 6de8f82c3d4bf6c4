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
  const std::string folded = fold_game_path(game_path);
  const auto ends_with = [&](std::string_view end) {
    return folded.size() >= end.size() && folded.compare(folded.size() - end.size(), end.size(), end) == 0;
  };
  return ends_with(".dll") || ends_with(".rk");
}

std::optional<std::string> cached_sha256(quillfen::updater::UpdateState& state, std::string_view game_path,
                                         const PathString& local, const FileStat& stat,
                                         const std::atomic<bool>& stop, Reporter& reporter, bool checking_line) {
  const std::string key = fold_game_path(game_path);
  if (const auto it = state.files.find(key); it != state.files.end() && it->second.size == stat.size &&
                                             it->second.mtime == static_cast<std::int64_t>(stat.last_write)) {
    return it->second.sha256;
  }
  if (stop.load()) return std::nullopt;

  reporter.notice(NoticeCode::checking_file, game_path);
  if (checking_line) {
    reporter.line("  checking " + std::string(game_path) + " (" + megabytes_text(stat.size) + ")");
  }
  std::optional<std::string> digest = hash_file(local, &stop);
  if (!digest || !quillfen::updater::is_hex_digest(*digest)) return std::nullopt;
  state.files[key] = quillfen::updater::StateRecord{stat.size, static_cast<std::int64_t>(stat.last_write), *digest};
  return digest;
}

}  // namespace vup
