// The format checks as first written, on nlohmann::json's tree, and the state's
// text as the library's dump writes it: the reference that the program's checks on
// the library's parse events, and its direct writer, must agree with, in tests and
// fuzzing.
#pragma once

#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/constants.h"
#include "fs/game_path.h"
#include "manifest/base64.h"
#include "manifest/manifest.h"
#include "manifest/signature.h"
#include "manifest/update_state.h"
#include "tests/fuzz/json_integers.h"

namespace reference {

using namespace quillfen::updater;
using nlohmann::json;
using vup::max_created_length;
using vup::max_envelope_size;
using vup::max_manifest_file_size;
using vup::max_manifest_files;
using vup::max_payload_size;
using vup::max_state_file_size;
using vup::max_state_records;

inline ManifestResult refuse(int error, std::string detail = {}) {
  ManifestResult result;
  result.error = error;
  result.detail = std::move(detail);
  return result;
}

// Checks one element of "files" and appends it; an error result on refusal.
inline std::optional<ManifestResult> add_entry(const json& element, std::set<std::string>& folded_seen,
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

inline ManifestResult parse_manifest(std::string_view payload, std::int64_t min_seq) {
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

inline bool read_record(const json& value, StateRecord& record) {
  if (!value.is_object()) return false;

  const auto size_it = value.find("size");
  const std::optional<std::uint64_t> size = size_it == value.end() ? std::nullopt : json_unsigned(*size_it);
  if (!size || *size > max_manifest_file_size) return false;

  const auto mtime_it = value.find("mtime");
  const std::optional<std::int64_t> mtime = mtime_it == value.end() ? std::nullopt : json_signed(*mtime_it);
  if (!mtime) return false;

  const auto hash_it = value.find("sha256");
  if (hash_it == value.end() || !hash_it->is_string() || !is_hex_digest(hash_it->get_ref<const std::string&>())) {
    return false;
  }
  record = StateRecord{*size, *mtime, hash_it->get<std::string>()};
  return true;
}

inline bool parse_update_state(std::string_view text, UpdateState& state) {
  if (text.size() > max_state_file_size) return false;
  const json root = json::parse(text.begin(), text.end(), nullptr,
                                /*allow_exceptions=*/false, /*ignore_comments=*/false);
  if (root.is_discarded() || !root.is_object()) return false;

  const auto version_it = root.find("version");
  if (version_it == root.end() || json_signed(*version_it) != 1) return false;

  const auto seq_it = root.find("last_seq");
  const std::optional<std::int64_t> last_seq = seq_it == root.end() ? std::nullopt : json_signed(*seq_it);
  if (!last_seq || *last_seq < 0) return false;

  const auto files_it = root.find("files");
  if (files_it == root.end() || !files_it->is_object() || files_it->size() > max_state_records) return false;

  std::map<std::string, StateRecord> records;
  for (const auto& [name, value] : files_it->items()) {
    if (!vup::is_safe_game_path(name) || vup::fold_game_path(name) != name) return false;
    StateRecord record;
    if (!read_record(value, record)) return false;
    records.emplace(name, std::move(record));
  }
  state.last_seq = *last_seq;
  state.files = std::move(records);
  return true;
}

// The state file's text: the library's pretty printing with one space of indent.
inline std::string serialize_update_state(const UpdateState& state) {
  json files = json::object();
  for (const auto& [key, record] : state.files) {
    files[key] = json{{"size", record.size}, {"mtime", record.mtime}, {"sha256", record.sha256}};
  }
  const json root{{"files", std::move(files)}, {"last_seq", state.last_seq}, {"version", std::int64_t{1}}};
  return root.dump(1, ' ', /*ensure_ascii=*/false, json::error_handler_t::strict) + "\n";
}

inline ManifestResult open_signed_manifest(std::string_view envelope, const std::uint8_t (&public_key)[32],
                            std::int64_t min_seq) {
  if (envelope.size() > max_envelope_size) return refuse(manifest_too_large);

  const nlohmann::json root = nlohmann::json::parse(envelope.begin(), envelope.end(), nullptr,
                                                    /*allow_exceptions=*/false,
                                                    /*ignore_comments=*/false);
  if (root.is_discarded() || !root.is_object()) return refuse(envelope_malformed, "not a JSON object");

  const auto payload_it = root.find("payload");
  const auto sig_it = root.find("sig");
  if (payload_it == root.end() || sig_it == root.end() || !payload_it->is_string() ||
      !sig_it->is_string()) {
    return refuse(envelope_malformed, "payload or sig missing");
  }

  std::vector<std::uint8_t> payload;
  if (!base64_decode(payload_it->get_ref<const std::string&>(), payload) || payload.empty() ||
      payload.size() > max_payload_size) {
    return refuse(envelope_malformed, "payload");
  }
  std::vector<std::uint8_t> sig;
  if (!base64_decode(sig_it->get_ref<const std::string&>(), sig) || sig.size() != 64) {
    return refuse(envelope_malformed, "sig");
  }
  std::uint8_t signature[64];
  std::memcpy(signature, sig.data(), sizeof signature);
  if (!ed25519_signature_valid(signature, public_key, payload.data(), payload.size())) {
    return refuse(signature_invalid);
  }

  return parse_manifest(
      std::string_view(reinterpret_cast<const char*>(payload.data()), payload.size()), min_seq);
}

}  // namespace reference
