#include "options/ini_text.h"

#include <gtest/gtest.h>

namespace {

using vup::ini_value;
using vup::ini_with_value;

TEST(IniText, FindsValuesAsTheWindowsFunctionsDo) {
  const std::string text =
      "\xEF\xBB\xBF"
      "orphan=7\r\n"
      "[Launcher]\r\n"
      "; a comment line = kept\r\n"
      "  Music =  0  \r\n"
      "music=1\r\n"
      "quoted=\"12\"\r\n"
      "half=\"12\r\n"
      "empty=\r\n"
      "[screen]\n"
      "width=1366\n"
      "[launcher]\r\n"
      "effects=0\r\n";
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> value;
  };
  const Case cases[] = {
      {"launcher", "music", "0"},        // names without case, blanks dropped, first match
      {"LAUNCHER", "MUSIC", "0"},
      {"launcher", "quoted", "12"},      // one pair of quotes removed
      {"launcher", "half", "\"12"},
      {"launcher", "empty", ""},
      {"screen", "width", "1366"},       // a "\n" file line inside a "\r\n" file
      {"launcher", "effects", std::nullopt},  // only the first section of a name counts
      {"launcher", "orphan", std::nullopt},   // lines before any header belong to none
      {"launcher", "; a comment line", "kept"},
      {"sound", "music", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(ini_value(text, c.section, c.key), c.value);
  }
}

TEST(IniText, ReadsIntegersAsGetPrivateProfileInt) {
  struct Case {
    const char* value;
    int number;
  };
  const Case cases[] = {
      {"1", 1},       {"0", 0},         {"-1", -1},       {"+5", 5},       {"102abc", 102},
      {"abc", 0},     {" \t 42", 42},   {"0x1A", 26},     {"0b101", 5},    {"0o17", 15},
      {"1366", 1366}, {"4294967295", -1}, {"4294967297", 1}, {"-", 0},     {"1 2", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(vup::ini_integer(c.value), c.number);
  }
}

TEST(IniText, SetsAValueAndKeepsEverythingElse) {
  struct Case {
    const char* name;
    const char* text;
    const char* section;
    const char* key;
    const char* value;
    const char* result;
  };
  const Case cases[] = {
      {"an empty file", "", "launcher", "music", "1", "[launcher]\r\nmusic=1\r\n"},
      {"a value in place, spelling and other lines kept",
       "; game settings\r\n[Launcher]\r\n  Music = 0 \r\nname=Ann\r\n\r\n[screen]\r\nwidth=800\r\n", "launcher",
       "music", "1", "; game settings\r\n[Launcher]\r\nMusic=1\r\nname=Ann\r\n\r\n[screen]\r\nwidth=800\r\n"},
      {"a new key after the section's last line, before its blank line",
       "[launcher]\nmusic=1\n\n[screen]\nwidth=800\n", "launcher", "intro", "0",
       "[launcher]\nmusic=1\nintro=0\n\n[screen]\nwidth=800\n"},
      {"a new key into an empty last section without a line break", "[a]\nx=1\n[screen]", "screen", "height", "768",
       "[a]\nx=1\n[screen]\nheight=768\n"},
      {"a new section at the end, in the file's line breaks", "[launcher]\nmusic=1", "screen", "width", "1366",
       "[launcher]\nmusic=1\n[screen]\nwidth=1366\n"},
      {"only the first of two sections changes", "[s]\r\nk=1\r\n[s]\r\nk=2\r\n", "S", "K", "3",
       "[s]\r\nk=3\r\n[s]\r\nk=2\r\n"},
      {"a key before any header is not the section's", "k=1\r\n", "s", "k", "2", "k=1\r\n[s]\r\nk=2\r\n"},
      {"a byte order mark stays in front", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "0",
       "\xEF\xBB\xBF[s]\r\nk=0\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string result = ini_with_value(c.text, c.section, c.key, c.value);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(ini_value(result, c.section, c.key), c.value);
  }
}

}  // namespace
