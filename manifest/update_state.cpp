#include "manifest/update_state.h"

#include <charconv>
#include <set>

#include "base/constants.h"
#include "fs/game_path.h"
#include "manifest/json_format_handler.h"
#include "manifest/manifest.h"

namespace quillfen::updater {
namespace {

using Kind = JsonScalar::Kind;

// Whether `name` differs from its folded form.
bool has_upper_case(std::string_view name) {
  for (const char c : name) {
    if (c >= 'A' && c <= 'Z') return true;
  }
  return false;
}

// Collects what the checks need while the text is parsed. A key given twice in
// one object counts once, with its last value, as in the library's tree: so a
// name's record stands or falls by the last value given for it.
class StateHandler final : public JsonFormatHandler {
 public:
  bool root_object = false;
  JsonScalar version;
  JsonScalar last_seq;
  Kind files_kind = Kind::absent;
  std::map<std::string, StateRecord> files;  // the good records
  std::set<std::string> bad_records;         // names whose last value is no good record
  bool bad_name = false;                     // some name is not a folded safe game path

 protected:
  bool value(JsonScalar& value, bool& follow) override {
    switch (depth()) {
      case 0:
        root_object = value.kind == Kind::object;
        follow = root_object;
        return true;
      case 1:
        if (slot_ == Slot::version) {
          version = std::move(value);
        } else if (slot_ == Slot::last_seq) {
          last_seq = std::move(value);
        } else if (slot_ == Slot::files) {
          // A later "files" replaces an earlier one whole.
          files_kind = value.kind;
          files.clear();
          bad_records.clear();
          bad_name = false;
          follow = value.kind == Kind::object;
        }
        return true;
      case 2:
        if (!vup::is_safe_game_path(name_) || has_upper_case(name_)) bad_name = true;
        if (value.kind == Kind::object) {
          follow = true;
          record_.size.clear();
          record_.mtime.clear();
          record_.sha256.clear();
        } else {
          judge(false);
        }
        return true;
      default:
        // Copied, not taken over: the parser keeps its buffer for the next string.
        if (slot_ == Slot::size) record_.size = value;
        if (slot_ == Slot::mtime) record_.mtime = value;
        if (slot_ == Slot::sha256) record_.sha256 = value;
        return true;
    }
  }

  bool member(std::string_view given) override {
    using namespace std::string_view_literals;
    slot_ = Slot::other;
    if (depth() == 1) {
      if (given == "version"sv) slot_ = Slot::version;
      if (given == "last_seq"sv) slot_ = Slot::last_seq;
      if (given == "files"sv) slot_ = Slot::files;
    } else if (depth() == 2) {
      name_.assign(given);
    } else if (given == "size"sv) {
      slot_ = Slot::size;
    } else if (given == "mtime"sv) {
      slot_ = Slot::mtime;
    } else if (given == "sha256"sv) {
      slot_ = Slot::sha256;
    }
    return true;
  }

  bool end() override {
    if (depth() == 2) judge(true);  // a record object is complete
    return true;
  }

 private:
  enum class Slot { other, version, last_seq, files, size, mtime, sha256 };
  struct Draft {
    JsonScalar size;
    JsonScalar mtime;
    JsonScalar sha256;
  };

  // The last value of `name_` is a record object (`is_object`) or something else.
  void judge(bool is_object) {
    const std::optional<std::uint64_t> size = record_.size.as_unsigned();
    const std::optional<std::int64_t> mtime = record_.mtime.as_signed();
    const bool good = is_object && size && *size <= vup::max_manifest_file_size && mtime &&
                      record_.sha256.kind == Kind::string && is_hex_digest(record_.sha256.text);
    if (!good) {
      files.erase(name_);
      bad_records.insert(name_);
      return;
    }
    if (!bad_records.empty()) bad_records.erase(name_);
    // Records are written in key order: the end is almost always the right place.
    files.insert_or_assign(files.end(), std::move(name_), StateRecord{*size, *mtime, std::move(record_.sha256.text)});
  }

  Slot slot_ = Slot::other;
  std::string name_;
  Draft record_;
};

bool parse_checked(std::string_view text, UpdateState& state) {
  if (text.size() > vup::max_state_file_size) return false;
  StateHandler read;
  if (!read_json_format(text, read) || !read.root_object) return false;
  if (read.version.as_signed() != 1) return false;
  const std::optional<std::int64_t> last_seq = read.last_seq.as_signed();
  if (!last_seq || *last_seq < 0) return false;
  if (read.files_kind != Kind::object || read.bad_name || !read.bad_records.empty() ||
      read.files.size() > vup::max_state_records) {
    return false;
  }
  state.last_seq = *last_seq;
  state.files = std::move(read.files);
  return true;
}

// A member name as the library writes it: quote, backslash and control
// characters escaped. (Folded safe paths need none of it.)
void append_quoted(std::string& out, std::string_view text) {
  static constexpr char hex[] = "0123456789abcdef";
  out += '"';
  bool plain = true;
  for (const char c : text) plain &= static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\\';
  if (plain) {
    out.append(text);
    out += '"';
    return;
  }
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += hex[static_cast<unsigned char>(c) >> 4];
          out += hex[static_cast<unsigned char>(c) & 0x0F];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

template <typename Integer>
void append_integer(std::string& out, Integer value) {
  char digits[24];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end);
}

}  // namespace

bool parse_update_state(std::string_view text, UpdateState& state) noexcept {
  state.last_seq = 0;
  state.files.clear();
  try {
    if (parse_checked(text, state)) return true;
  } catch (...) {
    // Out of memory: the same as a file that does not load.
  }
  state.last_seq = 0;
  state.files.clear();
  return false;
}

// The library's pretty printing with one space of indent per level, keys in byte
// order, written out directly: the state is thousands of records, and a tree of
// JSON values for them would cost more than the writing.
std::string serialize_update_state(const UpdateState& state) {
  std::string out;
  out.reserve(64 + state.files.size() * (std::size_t{120} + (state.files.empty() ? 0 : state.files.begin()->first.size())));
  out += "{\n \"files\": ";
  if (state.files.empty()) {
    out += "{}";
  } else {
    out += "{\n";
    bool first = true;
    for (const auto& [key, record] : state.files) {
      if (!first) out += ",\n";
      first = false;
      out += "  ";
      append_quoted(out, key);
      out += ": {\n   \"mtime\": ";
      append_integer(out, record.mtime);
      out += ",\n   \"sha256\": ";
      append_quoted(out, record.sha256);
      out += ",\n   \"size\": ";
      append_integer(out, record.size);
      out += "\n  }";
    }
    out += "\n }";
  }
  out += ",\n \"last_seq\": ";
  append_integer(out, state.last_seq);
  out += ",\n \"version\": 1\n}\n";
  return out;
}

}  // namespace quillfen::updater
