#include "manifest/json_reader.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>
#include <vector>

namespace quillfen::updater {
namespace {

bool is_whitespace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// Bytes that stand for themselves inside a string: printable ASCII but the quote
// and the backslash.
struct PlainBytes {
  bool plain[256] = {};
  constexpr PlainBytes() {
    for (int c = 0x20; c < 0x80; ++c) plain[c] = c != '"' && c != '\\';
  }
};
constexpr PlainBytes plain_bytes;

int hex_value(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void append_utf8(std::string& out, std::uint32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

class Reader {
 public:
  Reader(std::string_view text, JsonHandler& handler) : text_(text), handler_(handler) {}

  bool read() {
    // A byte order mark may open the text; a broken one is an error.
    if (!text_.empty() && static_cast<unsigned char>(text_[0]) == 0xEF) {
      if (text_.size() < 3 || static_cast<unsigned char>(text_[1]) != 0xBB ||
          static_cast<unsigned char>(text_[2]) != 0xBF) {
        return false;
      }
      at_ = 3;
    }
    // Open containers: 'o' for an object, 'a' for an array.
    std::vector<char> open;
    for (;;) {
      // A value.
      skip_whitespace();
      if (at_ == text_.size()) return false;
      const char c = text_[at_];
      bool finished_value = true;
      if (c == '{' || c == '[') {
        ++at_;
        if (!(c == '{' ? handler_.begin_object() : handler_.begin_array())) return false;
        skip_whitespace();
        if (at_ < text_.size() && text_[at_] == (c == '{' ? '}' : ']')) {
          ++at_;
          if (!(c == '{' ? handler_.end_object() : handler_.end_array())) return false;
        } else {
          open.push_back(c == '{' ? 'o' : 'a');
          finished_value = false;
          if (c == '{' && !read_key()) return false;
        }
      } else if (!read_scalar()) {
        return false;
      }
      if (!finished_value) continue;

      // After a value: the next member or element, or the end of containers.
      for (;;) {
        skip_whitespace();
        // The library takes a zero byte for the end of the text: what follows it
        // is never looked at.
        if (open.empty()) return at_ == text_.size() || text_[at_] == '\0';
        if (at_ == text_.size()) return false;
        const char next = text_[at_++];
        if (next == ',') {
          if (open.back() == 'o' && !read_key()) return false;
          break;
        }
        if (next != (open.back() == 'o' ? '}' : ']')) return false;
        if (!(open.back() == 'o' ? handler_.end_object() : handler_.end_array())) return false;
        open.pop_back();
      }
    }
  }

 private:
  void skip_whitespace() {
    while (at_ < text_.size() && is_whitespace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }

  // A key, its colon, and the whitespace before the value.
  bool read_key() {
    skip_whitespace();
    std::string_view name;
    if (at_ == text_.size() || text_[at_] != '"' || !read_string(name)) return false;
    if (!handler_.key(name)) return false;
    skip_whitespace();
    if (at_ == text_.size() || text_[at_] != ':') return false;
    ++at_;
    return true;
  }

  bool read_scalar() {
    const char c = text_[at_];
    if (c == '"') {
      std::string_view value;
      return read_string(value) && handler_.string(value);
    }
    if (c == '-' || is_digit(static_cast<unsigned char>(c))) {
      JsonNumber number;
      return read_number(number) && handler_.number(number);
    }
    if (literal("true")) return handler_.boolean(true);
    if (literal("false")) return handler_.boolean(false);
    if (literal("null")) return handler_.null_value();
    return false;
  }

  bool literal(std::string_view word) {
    if (text_.compare(at_, word.size(), word) != 0) return false;
    at_ += word.size();
    return true;
  }

  // A string from its opening quote. `value` is its part of the text when it holds
  // nothing but plain bytes (no escape, nothing beyond ASCII), else its decoded
  // form in the reader's buffer, valid until the next string.
  bool read_string(std::string_view& value) {
    const std::size_t start = ++at_;
    skip_plain_words();
    while (at_ < text_.size() && plain_bytes.plain[static_cast<unsigned char>(text_[at_])]) ++at_;
    if (at_ < text_.size() && text_[at_] == '"') {
      value = text_.substr(start, at_++ - start);
      return true;
    }
    buffer_.assign(text_.data() + start, at_ - start);
    if (!read_rest_of_string(buffer_)) return false;
    value = buffer_;
    return true;
  }

  // The rest of a string that needs decoding, appended to `out`.
  bool read_rest_of_string(std::string& out) {
    for (;;) {
      const std::size_t run = at_;
      skip_plain_words();
      while (at_ < text_.size() && plain_bytes.plain[static_cast<unsigned char>(text_[at_])]) ++at_;
      out.append(text_.data() + run, at_ - run);
      if (at_ == text_.size()) return false;
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c == '\\') {
        if (!read_escape(out)) return false;
      } else if (c < 0x20) {
        return false;  // control characters must be escaped
      } else if (!read_utf8(out)) {
        return false;
      }
    }
  }

  // Steps over plain bytes eight at a time while a whole word of them follows:
  // the envelope's payload is one string of a million bytes.
  void skip_plain_words() {
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    constexpr std::uint64_t highs = 0x8080808080808080ULL;
    const auto has_zero_byte = [](std::uint64_t w) { return (w - ones) & ~w & highs; };
    while (text_.size() - at_ >= 8) {
      std::uint64_t word;
      std::memcpy(&word, text_.data() + at_, 8);
      const std::uint64_t below_space = (word - ones * 0x20) & ~word & highs;
      if ((below_space | (word & highs) | has_zero_byte(word ^ (ones * '"')) | has_zero_byte(word ^ (ones * '\\'))) != 0) {
        return;
      }
      at_ += 8;
    }
  }

  bool read_escape(std::string& out) {
    if (++at_ == text_.size()) return false;
    const char c = text_[at_++];
    switch (c) {
      case '"': out += '"'; return true;
      case '\\': out += '\\'; return true;
      case '/': out += '/'; return true;
      case 'b': out += '\b'; return true;
      case 'f': out += '\f'; return true;
      case 'n': out += '\n'; return true;
      case 'r': out += '\r'; return true;
      case 't': out += '\t'; return true;
      case 'u': break;
      default: return false;
    }
    std::uint32_t code_point = 0;
    if (!read_hex4(code_point)) return false;
    if (code_point >= 0xDC00 && code_point <= 0xDFFF) return false;  // a low surrogate alone
    if (code_point >= 0xD800 && code_point <= 0xDBFF) {
      std::uint32_t low = 0;
      if (text_.compare(at_, 2, "\\u") != 0) return false;
      at_ += 2;
      if (!read_hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (low - 0xDC00);
    }
    append_utf8(out, code_point);
    return true;
  }

  bool read_hex4(std::uint32_t& value) {
    if (text_.size() - at_ < 4) return false;
    value = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = hex_value(static_cast<unsigned char>(text_[at_++]));
      if (digit < 0) return false;
      value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
  }

  // One well-formed UTF-8 character of two to four bytes (RFC 3629).
  bool read_utf8(std::string& out) {
    const auto lead = static_cast<unsigned char>(text_[at_]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (text_.size() - at_ < length) return false;
    for (std::size_t i = 1; i < length; ++i) {
      const auto c = static_cast<unsigned char>(text_[at_ + i]);
      if (i == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF)) return false;
    }
    out.append(text_.data() + at_, length);
    at_ += length;
    return true;
  }

  bool read_number(JsonNumber& number) {
    const std::size_t start = at_;
    const bool negative = text_[at_] == '-';
    if (negative) ++at_;
    const std::size_t digits = at_;
    if (at_ == text_.size() || !is_digit(static_cast<unsigned char>(text_[at_]))) return false;
    if (text_[at_] == '0') {
      ++at_;
    } else {
      while (at_ < text_.size() && is_digit(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    const std::size_t integer_end = at_;
    bool integer = true;
    if (at_ < text_.size() && text_[at_] == '.') {
      integer = false;
      if (!skip_digits(++at_)) return false;
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      integer = false;
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!skip_digits(at_)) return false;
    }

    if (integer) {
      std::uint64_t magnitude = 0;
      bool fits = true;
      for (std::size_t i = digits; i < integer_end && fits; ++i) {
        const auto digit = static_cast<std::uint64_t>(text_[i] - '0');
        fits = magnitude <= (std::numeric_limits<std::uint64_t>::max() - digit) / 10;
        magnitude = magnitude * 10 + digit;
      }
      if (fits) {
        if (!negative) {
          number.kind = JsonNumber::Kind::unsigned_integer;
          number.unsigned_value = magnitude;
          return true;
        }
        constexpr std::uint64_t most_negative = std::uint64_t{1} << 63;
        if (magnitude <= most_negative) {
          number.kind = JsonNumber::Kind::signed_integer;
          number.signed_value = magnitude == most_negative ? std::numeric_limits<std::int64_t>::min()
                                                           : -static_cast<std::int64_t>(magnitude);
          return true;
        }
      }
      // Beyond its 64-bit class: read as floating, like the library does.
    }
    number.kind = JsonNumber::Kind::floating;
    const auto [end, error] = std::from_chars(text_.data() + start, text_.data() + at_, number.floating_value);
    if (end != text_.data() + at_) return false;
    if (error == std::errc::result_out_of_range) {
      // Too small rounds to zero and is accepted; too large would be infinite and
      // is refused, as the library refuses it.
      if (decimal_exponent(digits, integer_end) > 0) return false;
      number.floating_value = negative ? -0.0 : 0.0;
    } else if (error != std::errc()) {
      return false;
    }
    return true;
  }

  bool skip_digits(std::size_t& at) {
    const std::size_t begin = at;
    while (at < text_.size() && is_digit(static_cast<unsigned char>(text_[at]))) ++at;
    return at != begin;
  }

  // For the number whose digits start at `digits` (its integer part ending at
  // `integer_end`, the whole number at at_): the power of ten E with the value
  // written 0.d... x 10^E, d the first non-zero digit; 0 for a value of zero.
  long long decimal_exponent(std::size_t digits, std::size_t integer_end) const {
    long long exponent = 0;
    std::size_t mantissa_end = at_;
    for (std::size_t i = integer_end; i < at_; ++i) {
      if (text_[i] == 'e' || text_[i] == 'E') {
        mantissa_end = i;
        std::size_t k = i + 1;
        const bool minus = text_[k] == '-';
        if (text_[k] == '+' || text_[k] == '-') ++k;
        for (; k < at_; ++k) {
          if (exponent < 100000000) exponent = exponent * 10 + (text_[k] - '0');
        }
        if (minus) exponent = -exponent;
        break;
      }
    }
    long long position = 0;  // digits before the decimal point, counted from the first non-zero one
    bool seen = false;
    for (std::size_t i = digits; i < mantissa_end; ++i) {
      if (text_[i] == '.') continue;
      const bool before_point = i < integer_end;
      if (!seen && text_[i] != '0') {
        seen = true;
        position = before_point ? static_cast<long long>(integer_end - i) : -static_cast<long long>(i - integer_end - 1);
        break;
      }
    }
    return seen ? position + exponent : 0;
  }

  std::string_view text_;
  JsonHandler& handler_;
  std::size_t at_ = 0;
  std::string buffer_;
};

}  // namespace

bool read_json(std::string_view text, JsonHandler& handler) { return Reader(text, handler).read(); }

std::optional<std::int64_t> JsonScalar::as_signed() const {
  if (kind == Kind::signed_integer) return signed_value;
  if (kind == Kind::unsigned_integer && unsigned_value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    return static_cast<std::int64_t>(unsigned_value);
  }
  return std::nullopt;
}

std::optional<std::uint64_t> JsonScalar::as_unsigned() const {
  if (kind == Kind::unsigned_integer) return unsigned_value;
  return std::nullopt;
}

void JsonScalar::take(const JsonNumber& number) {
  switch (number.kind) {
    case JsonNumber::Kind::unsigned_integer:
      kind = Kind::unsigned_integer;
      unsigned_value = number.unsigned_value;
      break;
    case JsonNumber::Kind::signed_integer:
      kind = Kind::signed_integer;
      signed_value = number.signed_value;
      break;
    case JsonNumber::Kind::floating:
      kind = Kind::floating;
      break;
  }
}

bool JsonFormatHandler::scalar() {
  if (ignored_ != 0) return true;
  bool follow = false;
  return value(scratch_, follow);
}

bool JsonFormatHandler::null_value() {
  scratch_.kind = JsonScalar::Kind::null;
  return scalar();
}

bool JsonFormatHandler::boolean(bool value) {
  scratch_.kind = JsonScalar::Kind::boolean;
  scratch_.boolean = value;
  return scalar();
}

bool JsonFormatHandler::number(const JsonNumber& value) {
  scratch_.take(value);
  return scalar();
}

bool JsonFormatHandler::string(std::string_view value) {
  if (ignored_ != 0) return true;
  scratch_.kind = JsonScalar::Kind::string;
  scratch_.text.assign(value);
  return scalar();
}

bool JsonFormatHandler::container(JsonScalar::Kind kind) {
  if (ignored_ != 0) {
    ++ignored_;
    return true;
  }
  scratch_.kind = kind;
  bool follow = false;
  if (!value(scratch_, follow)) return false;
  if (follow) {
    ++depth_;
  } else {
    ignored_ = 1;
  }
  return true;
}

bool JsonFormatHandler::close() {
  if (ignored_ != 0) {
    --ignored_;
    return true;
  }
  --depth_;
  return end();
}

bool JsonFormatHandler::begin_object() { return container(JsonScalar::Kind::object); }
bool JsonFormatHandler::begin_array() { return container(JsonScalar::Kind::array); }
bool JsonFormatHandler::end_object() { return close(); }
bool JsonFormatHandler::end_array() { return close(); }

bool JsonFormatHandler::key(std::string_view name) { return ignored_ != 0 || member(name); }

}  // namespace quillfen::updater
