#include "manifest/update_state.h"

#include <nlohmann/json.hpp>

#include "fs/game_path.h"
#include "manifest/json_integers.h"
#include "manifest/manifest.h"

namespace quillfen::updater {
namespace {

using nlohmann::json;

bool read_record(const json& value, StateRecord& record) {
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

bool parse_checked(std::string_view text, UpdateState& state) {
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

}  // namespace

bool parse_update_state(std::string_view text, UpdateState& state) noexcept {
  state.last_seq = 0;
  state.files.clear();
  try {
    if (parse_checked(text, state)) return true;
  } catch (...) {
    // Out of memory or a library error: the same as a file that does not load.
  }
  state.last_seq = 0;
  state.files.clear();
  return false;
}

std::string serialize_update_state(const UpdateState& state) {
  json files = json::object();
  for (const auto& [key, record] : state.files) {
    files[key] = json{{"size", record.size}, {"mtime", record.mtime}, {"sha256", record.sha256}};
  }
  const json root{{"files", std::move(files)}, {"last_seq", state.last_seq}, {"version", std::int64_t{1}}};
  return root.dump(1, ' ', /*ensure_ascii=*/false, json::error_handler_t::strict) + "\n";
}

}  // namespace quillfen::updater
