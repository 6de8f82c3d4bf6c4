// The streaming reader against nlohmann::json, on the texts where readers differ.
#include "manifest/json_reader.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/fuzz/json_tree.h"

namespace {

TEST(JsonReader, AcceptsAndReadsWhatTheLibraryDoes) {
  const std::string deep = std::string(1000, '[') + std::string(1000, ']');
  const std::string long_integer = std::string(400, '9');
  const std::string cases[] = {
      // structure
      "", " ", "{", "}", "{}", " {} ", "[]", "{} x", "{}{}", "[1,]", "[,1]", "[1 2]", R"({"a":1,})", R"({"a" 1})",
      "{1:2}", R"({"a":})", R"({"a":1 "b":2})", R"({"a":[{"b":{}}],"c":[[]]})", deep, std::string(1000, '['),
      R"({"a":1,"a":[2],"b":{"c":3,"c":4}})", "\t\n\r [ 1 ,\n2 ]\r\n", "\f{}", std::string("{}\0", 3), std::string("{} \0junk", 8),
      std::string("[\0]", 3), std::string("\0{}", 3),
      // literals
      "null", "true", "false", "nul", "tru", "[true false]", "True", "nullx",
      // numbers
      "0", "-0", "01", "-01", "-", "1.", ".5", "+1", "1e", "1e+", "1E5", "1e-5", "-1.5e-3", "0.0", "-0.0",
      "18446744073709551615", "18446744073709551616", "9223372036854775807", "9223372036854775808",
      "-9223372036854775808", "-9223372036854775809", long_integer, "-" + long_integer, "1e308", "1e309", "-1e309",
      "1.7976931348623157e308", "1.7976931348623159e308", "1e-400", "-1e-400", "2.4703282292062328e-324",
      "0e999999999999", "0.000000000000000000000000000001e330", "123456789012345678901234567890.5",
      // strings
      R"("")", R"("a\u0000b")", R"("\u00e9\u20ac")", R"("\ud83d\ude00")", R"("\uD83D\uDE00")", R"("\ud83d")",
      R"("\ude00")", R"("\ud83d\u0041")", R"("\ud83dx")", R"("\x")", R"("\U0041")", R"("\u00G1")", R"("\u12")",
      R"("\"\\\/\b\f\n\r\t")", "\"tab\there\"", "\"\x7f\"", "\"\x1f\"", "\"open",
      "\"\xc3\xa9\"", "\"\xc0\xaf\"", "\"\xc1\xbf\"", "\"\xe0\x80\x80\"", "\"\xe0\xa0\x80\"", "\"\xed\x9f\xbf\"",
      "\"\xed\xa0\x80\"", "\"\xef\xbf\xbf\"", "\"\xf0\x8f\xbf\xbf\"", "\"\xf0\x90\x80\x80\"", "\"\xf4\x8f\xbf\xbf\"",
      "\"\xf4\x90\x80\x80\"", "\"\xf5\x80\x80\x80\"", "\"\xe2\x82\"", "\"\x80\"", "\"\xff\"",
      // byte order mark
      "\xef\xbb\xbf{}", "\xef\xbb\xbf", "\xef\xbb{}", " \xef\xbb\xbf{}", "\xef\xbb\xbf\xef\xbb\xbf{}",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(0, 60));
    EXPECT_EQ(vup::test::reader_disagrees(text), std::nullopt);
  }
}

// A handler that stops: the reading stops and fails.
TEST(JsonReader, StopsWhenTheHandlerSaysSo) {
  struct Stop final : quillfen::updater::JsonHandler {
    int keys = 0;
    bool null_value() override { return true; }
    bool boolean(bool) override { return true; }
    bool number(const quillfen::updater::JsonNumber&) override { return true; }
    bool string(std::string_view) override { return true; }
    bool begin_object() override { return true; }
    bool key(std::string_view) override { return ++keys < 2; }
    bool end_object() override { return true; }
    bool begin_array() override { return true; }
    bool end_array() override { return true; }
  } stop;
  EXPECT_FALSE(quillfen::updater::read_json(R"({"a":1,"b":2,"c":3})", stop));
  EXPECT_EQ(stop.keys, 2);
}

}  // namespace
