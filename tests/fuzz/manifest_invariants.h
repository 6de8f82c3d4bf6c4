// What every accepted manifest holds, whatever the input was, and whether two
// results are the same.
#pragma once

#include <set>
#include <string>

#include "base/constants.h"
#include "fs/game_path.h"
#include "manifest/manifest.h"
#include "tests/fuzz/fuzz_check.h"

inline bool same_result(const quillfen::updater::ManifestResult& a, const quillfen::updater::ManifestResult& b) {
  if (a.error != b.error || a.detail != b.detail || a.manifest.seq != b.manifest.seq ||
      a.manifest.created != b.manifest.created || a.manifest.files.size() != b.manifest.files.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.manifest.files.size(); ++i) {
    const auto& x = a.manifest.files[i];
    const auto& y = b.manifest.files[i];
    if (x.path != y.path || x.size != y.size || x.sha256 != y.sha256 || x.keep_local != y.keep_local) return false;
  }
  return true;
}

inline void check_manifest_result(const quillfen::updater::ManifestResult& r, std::int64_t min_seq) {
  using namespace quillfen::updater;
  if (r.error != manifest_ok) {
    FUZZ_CHECK(r.manifest.files.empty() && r.manifest.seq == 0 && r.manifest.created.empty());
    FUZZ_CHECK(r.error >= 1 && r.error <= 12);
    return;
  }
  FUZZ_CHECK(r.detail.empty());
  FUZZ_CHECK(r.manifest.seq >= min_seq);
  FUZZ_CHECK(r.manifest.created.size() <= vup::max_created_length);
  FUZZ_CHECK(!r.manifest.files.empty() && r.manifest.files.size() <= vup::max_manifest_files);
  std::set<std::string> folded;
  for (const FileEntry& f : r.manifest.files) {
    FUZZ_CHECK(vup::is_safe_game_path(f.path));
    FUZZ_CHECK(folded.insert(vup::fold_game_path(f.path)).second);
    FUZZ_CHECK(is_hex_digest(f.sha256));
    FUZZ_CHECK(f.size <= vup::max_manifest_file_size);
  }
}
