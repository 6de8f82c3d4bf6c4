// Reading one of our JSON formats (the envelope, the manifest, the state file)
// from the events of nlohmann::json's own parser (its SAX interface) instead of
// its tree: the texts accepted and the classes of numbers are the library's, and a
// format keeps only the values it looks at, so a text of thousands of records
// costs no tree of thousands of values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillfen::updater {

// One value of a format, as the format's checks need it: its kind, and its number
// or text. A container is kept as its kind alone. Numbers have the library's
// classes: without fraction or exponent a number is an integer, unsigned when it
// has no minus sign and signed when it has one; beyond its 64-bit class, or with a
// fraction or exponent, it is floating.
struct JsonScalar {
  enum class Kind { absent, null, boolean, unsigned_integer, signed_integer, floating, string, array, object };
  Kind kind = Kind::absent;
  bool boolean = false;
  std::uint64_t unsigned_value = 0;
  std::int64_t signed_value = 0;
  std::string text;

  [[nodiscard]] bool present() const { return kind != Kind::absent; }
  // Back to absent, keeping the text's storage for the next value.
  void clear() { kind = Kind::absent; }
  // The value when it is an integer within the signed 64-bit range.
  [[nodiscard]] std::optional<std::int64_t> as_signed() const;
  // The value when it is a non-negative integer.
  [[nodiscard]] std::optional<std::uint64_t> as_unsigned() const;
};

class JsonFormatEvents;

// A format that looks at a few levels of a text: a scalar arrives as one
// JsonScalar, and the contents of a container the format does not follow are
// parsed (they must still be valid JSON) but never shown to it. A key given twice
// in one object arrives twice; the library's tree would keep the last value.
class JsonFormatHandler {
 public:
  virtual ~JsonFormatHandler() = default;

 protected:
  // A value inside the followed containers, at depth() (0 for the top value). For
  // a container only its kind is set, and setting `follow` shows its contents.
  // `value.text` holds the parser's own buffer for the call: a format may move
  // from it (the envelope's payload is a megabyte) or copy it.
  virtual bool value(JsonScalar& value, bool& follow) = 0;
  // A key of a followed object, before its value.
  virtual bool member(std::string_view name) = 0;
  // A followed container ends; depth() is its own depth again.
  virtual bool end() = 0;
  // Followed containers now open.
  [[nodiscard]] int depth() const { return depth_; }

 private:
  friend class JsonFormatEvents;

  bool scalar();
  bool string(std::string& text);
  bool container(JsonScalar::Kind kind);
  bool key(std::string_view name);
  bool close();

  JsonScalar scratch_;
  int depth_ = 0;
  std::uint64_t ignored_ = 0;  // containers open below one that is not followed
};

// Parses `text` with nlohmann::json, strictly (one value and nothing after it) and
// without comments, and shows `handler` what it follows. False when the text is
// not JSON or the handler returned false; the handler may have seen a part of the
// text by then. Throws only when memory runs out.
[[nodiscard]] bool read_json_format(std::string_view text, JsonFormatHandler& handler);

}  // namespace quillfen::updater
