// What every accepted manifest holds, whatever the input was.
#pragma once

#include <set>
#include <string>

#include "fs/game_path.h"
#include "manifest/manifest.h"
#include "tests/fuzz/fuzz_check.h"

inline void check_manifest_result(const quillfen::updater::ManifestResult& r, std::int64_t min_seq) {
  using namespace quillfen::updater;
  if (r.error != manifest_ok) {
    FUZZ_CHECK(r.manifest.files.empty() && r.manifest.seq == 0 && r.manifest.created.empty());
    FUZZ_CHECK(r.error >= 1 && r.error <= 12);
    return;
  }
  FUZZ_CHECK(r.detail.empty());
  FUZZ_CHECK(r.manifest.seq >= min_seq);
  FUZZ_CHECK(r.manifest.created.size() <= max_created_length);
  FUZZ_CHECK(!r.manifest.files.empty() && r.manifest.files.size() <= max_manifest_files);
  std::set<std::string> folded;
  for (const FileEntry& f : r.manifest.files) {
    FUZZ_CHECK(vup::is_safe_game_path(f.path));
    FUZZ_CHECK(folded.insert(vup::fold_game_path(f.path)).second);
    FUZZ_CHECK(is_hex_digest(f.sha256));
    FUZZ_CHECK(f.size <= max_manifest_file_size);
  }
}
