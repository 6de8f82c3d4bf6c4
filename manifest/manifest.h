// The manifest: the signed list of every file of the game, and the error codes
// shared by its parse and by the envelope check around it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen::updater {

struct FileEntry {
  std::string path;        // as the manifest writes it; always a safe game path
  std::uint64_t size = 0;  // at most 4 GiB
  std::string sha256;      // 64 lower-case hexadecimal digits
  bool keep_local = false;  // a present local copy is never checked or replaced
};

struct Manifest {
  std::int64_t seq = 0;  // publication time in Unix seconds; newer is larger
  std::string created;   // at most 64 bytes, may be empty
  std::vector<FileEntry> files;
};

enum ManifestError : int {
  manifest_ok = 0,
  manifest_too_large = 1,
  envelope_malformed = 2,
  signature_invalid = 3,
  manifest_malformed = 4,
  format_unsupported = 5,
  manifest_outdated = 6,
  too_many_files = 7,
  unsafe_path = 8,
  duplicate_path = 9,
  bad_file_hash = 10,
  bad_file_size = 11,
  manifest_internal_error = 12,
};

struct ManifestResult {
  Manifest manifest;  // empty unless error is manifest_ok
  int error = manifest_ok;
  std::string detail;  // what was wrong, often empty
};

// Parses and validates a manifest text. Stops at the first failure, in a fixed
// order of checks, and returns its code and detail with an empty manifest. A seq
// below `min_seq` is refused as outdated; an equal one passes. Throws only when
// memory runs out (the envelope check catches that).
[[nodiscard]] ManifestResult parse_manifest(std::string_view payload, std::int64_t min_seq);

// The short text for a code, "unknown error" for a code outside the table.
[[nodiscard]] const char* manifest_error_text(int code);

// True for exactly 64 characters of "0123456789abcdef".
[[nodiscard]] bool is_hex_digest(std::string_view text);

}  // namespace quillfen::updater
