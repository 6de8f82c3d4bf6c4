#include "manifest/manifest.h"

#include <set>

#include <nlohmann/json.hpp>

#include "fs/game_path.h"
#include "manifest/json_integers.h"

namespace quillfen::updater {
namespace {

using nlohmann::json;

ManifestResult refuse(int error, std::string detail = {}) {
  ManifestResult result;
  result.error = error;
  result.detail = std::move(detail);
  return result;
}

// Checks one element of "files" and appends it; an error result on refusal.
std::optional<ManifestResult> add_entry(const json& element, std::set<std::string>& folded_seen,
                                        std::vector<FileEntry>& files) {
  if (!element.is_object()) return refuse(manifest_malformed, "file entry");

  const auto path_it = element.find("path");
  if (path_it == element.end() || !path_it->is_string()) return refuse(unsafe_path, "missing path");
  const std::string& path = path_it->get_ref<const std::string&>();
  if (!vup::is_safe_game_path(path)) return refuse(unsafe_path, path.substr(0, 80));
  if (!folded_seen.insert(vup::fold_game_path(path)).second) return refuse(duplicate_path, path);

  const auto hash_it = element.find("sha256");
  if (hash_it == element.end() || !hash_it->is_string() ||
      !is_hex_digest(hash_it->get_ref<const std::string&>())) {
    return refuse(bad_file_hash, path);
  }

  const auto size_it = element.find("size");
  const std::optional<std::uint64_t> size =
      size_it == element.end() ? std::nullopt : json_unsigned(*size_it);
  if (!size || *size > max_manifest_file_size) return refuse(bad_file_size, path);

  bool keep_local = false;
  if (const auto keep_it = element.find("keep_local"); keep_it != element.end()) {
    if (!keep_it->is_boolean()) return refuse(manifest_malformed, "keep_local");
    keep_local = keep_it->get<bool>();
  }

  files.push_back(FileEntry{path, *size, hash_it->get<std::string>(), keep_local});
  return std::nullopt;
}

}  // namespace

bool is_hex_digest(std::string_view text) {
  if (text.size() != 64) return false;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

ManifestResult parse_manifest(std::string_view payload, std::int64_t min_seq) {
  const json root = json::parse(payload.begin(), payload.end(), nullptr,
                                /*allow_exceptions=*/false, /*ignore_comments=*/false);
  if (root.is_discarded() || !root.is_object()) return refuse(manifest_malformed, "not a JSON object");

  const auto format_it = root.find("format");
  const std::optional<std::int64_t> format =
      format_it == root.end() ? std::nullopt : json_signed(*format_it);
  if (format != 1) return refuse(format_unsupported);

  const auto seq_it = root.find("seq");
  const std::optional<std::int64_t> seq = seq_it == root.end() ? std::nullopt : json_signed(*seq_it);
  if (!seq) return refuse(manifest_malformed, "seq");
  if (*seq < min_seq) return refuse(manifest_outdated, std::to_string(*seq));

  std::string created;
  if (const auto created_it = root.find("created"); created_it != root.end()) {
    if (!created_it->is_string() || created_it->get_ref<const std::string&>().size() > max_created_length) {
      return refuse(manifest_malformed, "created");
    }
    created = created_it->get<std::string>();
  }

  const auto files_it = root.find("files");
  if (files_it == root.end() || !files_it->is_array() || files_it->empty()) {
    return refuse(manifest_malformed, "files");
  }
  if (files_it->size() > max_manifest_files) return refuse(too_many_files);

  ManifestResult result;
  result.manifest.files.reserve(files_it->size());
  std::set<std::string> folded_seen;
  for (const json& element : *files_it) {
    if (auto failure = add_entry(element, folded_seen, result.manifest.files)) return std::move(*failure);
  }
  result.manifest.seq = *seq;
  result.manifest.created = std::move(created);
  return result;
}

const char* manifest_error_text(int code) {
  switch (code) {
    case manifest_ok: return "ok";
    case manifest_too_large: return "the manifest is too large";
    case envelope_malformed: return "the manifest envelope is malformed";
    case signature_invalid: return "the manifest signature does not verify";
    case manifest_malformed: return "the signed manifest is malformed";
    case format_unsupported: return "the manifest format is not supported";
    case manifest_outdated: return "the manifest is older than one already seen";
    case too_many_files: return "the manifest lists too many files";
    case unsafe_path: return "the manifest names an unsafe path";
    case duplicate_path: return "the manifest lists a path twice";
    case bad_file_hash: return "the manifest has a bad file hash";
    case bad_file_size: return "the manifest has a bad file size";
    case manifest_internal_error: return "internal error while checking the manifest";
    default: return "unknown error";
  }
}

}  // namespace quillfen::updater
