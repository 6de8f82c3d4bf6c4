#include "manifest/json_format_handler.h"

#include <limits>
#include <utility>

#include <nlohmann/json.hpp>

namespace quillfen::updater {

using Json = nlohmann::json;

// The library's SAX interface, handed on to a format's handler. The parser calls
// it directly (a template parameter), so nothing here is virtual.
class JsonFormatEvents {
 public:
  explicit JsonFormatEvents(JsonFormatHandler& handler) : handler_(handler) {}

  bool null() {
    handler_.scratch_.kind = JsonScalar::Kind::null;
    return handler_.scalar();
  }
  bool boolean(bool value) {
    handler_.scratch_.kind = JsonScalar::Kind::boolean;
    handler_.scratch_.boolean = value;
    return handler_.scalar();
  }
  bool number_integer(Json::number_integer_t value) {
    handler_.scratch_.kind = JsonScalar::Kind::signed_integer;
    handler_.scratch_.signed_value = value;
    return handler_.scalar();
  }
  bool number_unsigned(Json::number_unsigned_t value) {
    handler_.scratch_.kind = JsonScalar::Kind::unsigned_integer;
    handler_.scratch_.unsigned_value = value;
    return handler_.scalar();
  }
  bool number_float(Json::number_float_t, const Json::string_t&) {
    handler_.scratch_.kind = JsonScalar::Kind::floating;
    return handler_.scalar();
  }
  bool string(Json::string_t& value) { return handler_.string(value); }
  bool binary(Json::binary_t&) { return false; }  // never in JSON text
  bool start_object(std::size_t) { return handler_.container(JsonScalar::Kind::object); }
  bool key(Json::string_t& name) { return handler_.key(name); }
  bool end_object() { return handler_.close(); }
  bool start_array(std::size_t) { return handler_.container(JsonScalar::Kind::array); }
  bool end_array() { return handler_.close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

 private:
  JsonFormatHandler& handler_;
};

bool read_json_format(std::string_view text, JsonFormatHandler& handler) {
  JsonFormatEvents events(handler);
  return Json::sax_parse(text.data(), text.data() + text.size(), &events, Json::input_format_t::json,
                         /*strict=*/true, /*ignore_comments=*/false);
}

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

bool JsonFormatHandler::scalar() {
  if (ignored_ != 0) return true;
  bool follow = false;
  return value(scratch_, follow);
}

bool JsonFormatHandler::string(std::string& text) {
  if (ignored_ != 0) return true;
  // The parser's buffer is lent to the format for the call, not copied; what the
  // format leaves in it goes back, so both keep their storage.
  scratch_.kind = JsonScalar::Kind::string;
  scratch_.text.swap(text);
  bool follow = false;
  const bool go_on = value(scratch_, follow);
  scratch_.text.swap(text);
  return go_on;
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

bool JsonFormatHandler::key(std::string_view name) { return ignored_ != 0 || member(name); }

bool JsonFormatHandler::close() {
  if (ignored_ != 0) {
    --ignored_;
    return true;
  }
  --depth_;
  return end();
}

}  // namespace quillfen::updater
