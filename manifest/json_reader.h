// A strict, streaming reader of JSON text (RFC 8259) for the envelope, the
// manifest and the state file. It hands each value to a handler as it meets it and
// builds no tree, so a text of thousands of records costs no allocation per value.
// It accepts exactly the texts that nlohmann::json accepts in its strict,
// non-throwing parse without comments (a UTF-8 byte order mark at the start is
// skipped; a number too large for a double is refused; a zero byte after the
// value ends the text), and gives numbers the same classes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillfen::updater {

// A number written without fraction or exponent is an integer: unsigned when it
// has no minus sign, signed when it has one ("-0" included). An integer outside
// the 64-bit range of its class, and every other number, is floating.
struct JsonNumber {
  enum class Kind { unsigned_integer, signed_integer, floating } kind = Kind::unsigned_integer;
  std::uint64_t unsigned_value = 0;
  std::int64_t signed_value = 0;
  double floating_value = 0;
};

class JsonHandler {
 public:
  virtual ~JsonHandler() = default;
  // Each returns false to stop the reading, which then fails. A string or key is
  // decoded; it lies in the text itself when it needed no decoding, else in the
  // reader's buffer until the next string.
  virtual bool null_value() = 0;
  virtual bool boolean(bool value) = 0;
  virtual bool number(const JsonNumber& value) = 0;
  virtual bool string(std::string_view value) = 0;
  virtual bool begin_object() = 0;
  virtual bool key(std::string_view name) = 0;
  virtual bool end_object() = 0;
  virtual bool begin_array() = 0;
  virtual bool end_array() = 0;
};

// Reads `text` as one JSON value with nothing but whitespace after it. False at the
// first syntax error or when the handler stops; the handler may have seen a part
// of the text by then.
[[nodiscard]] bool read_json(std::string_view text, JsonHandler& handler);

// One value of a format, as the format's checks need it: its kind, and its number
// or text. A container is kept as its kind alone.
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
  // Takes a scalar value (not a container).
  void take(const JsonNumber& number);
};

// A handler for a format that looks at a few levels of a text: a scalar arrives as
// one JsonScalar, and the contents of a container the format does not follow are
// read (they must still be valid JSON) but never shown to it.
class JsonFormatHandler : public JsonHandler {
 public:
  bool null_value() final;
  bool boolean(bool value) final;
  bool number(const JsonNumber& value) final;
  bool string(std::string_view value) final;
  bool begin_object() final;
  bool key(std::string_view name) final;
  bool end_object() final;
  bool begin_array() final;
  bool end_array() final;

 protected:
  // A value inside the followed containers, at depth() (0 for the top value). For
  // a container only its kind is set, and setting `follow` shows its contents.
  // `value.text` may be moved from.
  virtual bool value(JsonScalar& value, bool& follow) = 0;
  // A key of a followed object, before its value.
  virtual bool member(std::string_view name) = 0;
  // A followed container ends; depth() is its own depth again.
  virtual bool end() = 0;
  // Followed containers now open.
  [[nodiscard]] int depth() const { return depth_; }

 private:
  bool scalar();
  bool container(JsonScalar::Kind kind);
  bool close();

  JsonScalar scratch_;
  int depth_ = 0;
  std::uint64_t ignored_ = 0;  // containers open below one that is not followed
};

}  // namespace quillfen::updater
