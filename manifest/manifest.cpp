#include "manifest/manifest.h"

#include <algorithm>
#include <functional>

#include "base/constants.h"
#include "fs/game_path.h"
#include "manifest/json_format_handler.h"

namespace quillfen::updater {
namespace {

using Kind = JsonScalar::Kind;

ManifestResult refuse(int error, std::string detail = {}) {
  ManifestResult result;
  result.error = error;
  result.detail = std::move(detail);
  return result;
}

// One element of "files" as read: its known keys, each with its last value.
struct EntryDraft {
  JsonScalar path;
  JsonScalar sha256;
  JsonScalar size;
  JsonScalar keep_local;
};

// The folded paths of a manifest's entries, to find a path listed twice: kept end
// to end in one text and found again through an open-addressing table of their
// places in it, so that no path costs an allocation of its own.
class FoldedPaths {
 public:
  void reset(std::size_t payload_size) {
    text_.clear();
    text_.reserve(payload_size);  // the paths are parts of the payload
    places_.clear();
    // About one entry per hundred bytes of payload at most, and never more than a
    // manifest lists: the table starts at most half full.
    std::size_t slots = 16;
    while (slots < 2 * std::min(vup::max_manifest_files, payload_size / 64 + 1)) slots *= 2;
    slots_.assign(slots, 0);
  }

  // False when `path` folds to a path seen before.
  bool insert(std::string_view path) {
    const Place place{text_.size(), path.size()};
    for (const char c : path) text_ += c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
    if (2 * (places_.size() + 1) > slots_.size()) grow();
    std::uint32_t& slot = slot_of(place);
    if (slot != 0) return false;
    places_.push_back(place);
    slot = static_cast<std::uint32_t>(places_.size());
    return true;
  }

 private:
  struct Place {
    std::size_t start;
    std::size_t length;
  };

  std::string_view text_of(const Place& place) const {
    return std::string_view(text_).substr(place.start, place.length);
  }

  // The slot that holds the path at `place`, or the free one where it belongs.
  std::uint32_t& slot_of(const Place& place) {
    const std::string_view folded = text_of(place);
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = std::hash<std::string_view>{}(folded) & mask;
    while (slots_[at] != 0 && text_of(places_[slots_[at] - 1]) != folded) at = (at + 1) & mask;
    return slots_[at];
  }

  void grow() {
    slots_.assign(slots_.size() * 2, 0);
    for (std::size_t i = 0; i < places_.size(); ++i) slot_of(places_[i]) = static_cast<std::uint32_t>(i + 1);
  }

  std::string text_;
  std::vector<Place> places_;
  std::vector<std::uint32_t> slots_;  // 1 + index into places_; 0 for a free slot
};

// Checks one element of "files" and appends it; an error result on refusal.
std::optional<ManifestResult> add_entry(EntryDraft& element, FoldedPaths& folded_seen, std::vector<FileEntry>& files) {
  if (element.path.kind != Kind::string) return refuse(unsafe_path, "missing path");
  std::string& path = element.path.text;
  if (!vup::is_safe_game_path(path)) return refuse(unsafe_path, path.substr(0, 80));
  if (!folded_seen.insert(path)) return refuse(duplicate_path, path);

  if (element.sha256.kind != Kind::string || !is_hex_digest(element.sha256.text)) return refuse(bad_file_hash, path);

  const std::optional<std::uint64_t> size = element.size.as_unsigned();
  if (!size || *size > vup::max_manifest_file_size) return refuse(bad_file_size, path);

  bool keep_local = false;
  if (element.keep_local.present()) {
    if (element.keep_local.kind != Kind::boolean) return refuse(manifest_malformed, "keep_local");
    keep_local = element.keep_local.boolean;
  }

  files.push_back(FileEntry{std::move(path), *size, std::move(element.sha256.text), keep_local});
  return std::nullopt;
}

// Collects the top-level values while the text is parsed, and checks each element
// of "files" as it completes (stopping at the first refused), so that the checks
// can report in their fixed order once the whole text has proved to be JSON. A
// key given twice in one object counts once, with its last value, as in the
// library's tree.
class ManifestHandler final : public JsonFormatHandler {
 public:
  explicit ManifestHandler(std::size_t payload_size) : payload_size_(payload_size) {}

  bool root_object = false;
  JsonScalar format;
  JsonScalar seq;
  JsonScalar created;
  Kind files_kind = Kind::absent;
  std::size_t file_count = 0;
  std::vector<FileEntry> files;            // the elements checked, in order
  std::optional<ManifestResult> refused;  // the first element refused

 protected:
  bool value(JsonScalar& value, bool& follow) override {
    switch (depth()) {
      case 0:
        root_object = value.kind == Kind::object;
        follow = root_object;
        return true;
      case 1:
        if (slot_ == Slot::format) format = std::move(value);
        if (slot_ == Slot::seq) seq = std::move(value);
        if (slot_ == Slot::created) created = std::move(value);
        if (slot_ == Slot::files) {
          // A later "files" replaces an earlier one whole.
          files_kind = value.kind;
          file_count = 0;
          files.clear();
          refused.reset();
          folded_seen_.reset(payload_size_);
          // An element takes about a hundred bytes of the payload at least.
          files.reserve(std::min(vup::max_manifest_files, payload_size_ / 100 + 1));
          follow = value.kind == Kind::array;
        }
        return true;
      case 2:
        // An element of "files"; beyond the most a manifest may list, only counted.
        if (++file_count > vup::max_manifest_files || refused) return true;
        if (value.kind == Kind::object) {
          follow = true;
          entry_.path.clear();
          entry_.sha256.clear();
          entry_.size.clear();
          entry_.keep_local.clear();
        } else {
          refused = refuse(manifest_malformed, "file entry");
        }
        return true;
      default:
        // Copied, not taken over: the parser keeps its buffer for the next string.
        if (slot_ == Slot::path) entry_.path = value;
        if (slot_ == Slot::sha256) entry_.sha256 = value;
        if (slot_ == Slot::size) entry_.size = value;
        if (slot_ == Slot::keep_local) entry_.keep_local = value;
        return true;
    }
  }

  bool member(std::string_view given) override {
    using namespace std::string_view_literals;
    slot_ = Slot::other;
    if (depth() == 1) {
      if (given == "format"sv) slot_ = Slot::format;
      if (given == "seq"sv) slot_ = Slot::seq;
      if (given == "created"sv) slot_ = Slot::created;
      if (given == "files"sv) slot_ = Slot::files;
    } else {
      if (given == "path"sv) slot_ = Slot::path;
      if (given == "sha256"sv) slot_ = Slot::sha256;
      if (given == "size"sv) slot_ = Slot::size;
      if (given == "keep_local"sv) slot_ = Slot::keep_local;
    }
    return true;
  }

  bool end() override {
    // An element's object is complete.
    if (depth() == 2) refused = add_entry(entry_, folded_seen_, files);
    return true;
  }

 private:
  enum class Slot { other, format, seq, created, files, path, sha256, size, keep_local };
  Slot slot_ = Slot::other;
  std::size_t payload_size_;
  EntryDraft entry_;
  FoldedPaths folded_seen_;
};

}  // namespace

bool is_hex_digest(std::string_view text) {
  struct HexTable {
    bool hex[256] = {};
    constexpr HexTable() {
      for (int c = '0'; c <= '9'; ++c) hex[c] = true;
      for (int c = 'a'; c <= 'f'; ++c) hex[c] = true;
    }
  };
  static constexpr HexTable table;
  if (text.size() != 64) return false;
  bool all = true;
  for (const char c : text) all &= table.hex[static_cast<unsigned char>(c)];
  return all;
}

ManifestResult parse_manifest(std::string_view payload, std::int64_t min_seq) {
  ManifestHandler read(payload.size());
  if (!read_json_format(payload, read) || !read.root_object) return refuse(manifest_malformed, "not a JSON object");

  if (read.format.as_signed() != 1) return refuse(format_unsupported);

  const std::optional<std::int64_t> seq = read.seq.as_signed();
  if (!seq) return refuse(manifest_malformed, "seq");
  if (*seq < min_seq) return refuse(manifest_outdated, std::to_string(*seq));

  std::string created;
  if (read.created.present()) {
    if (read.created.kind != Kind::string || read.created.text.size() > vup::max_created_length) {
      return refuse(manifest_malformed, "created");
    }
    created = std::move(read.created.text);
  }

  if (read.files_kind != Kind::array || read.file_count == 0) return refuse(manifest_malformed, "files");
  if (read.file_count > vup::max_manifest_files) return refuse(too_many_files);

  if (read.refused) return std::move(*read.refused);

  ManifestResult result;
  result.manifest.files = std::move(read.files);
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
