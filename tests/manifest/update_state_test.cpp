#include "manifest/update_state.h"

#include <string>

#include <gtest/gtest.h>

#include "base/constants.h"
#include "tests/fuzz/reference_formats.h"

namespace {

using namespace quillfen::updater;

const std::string hash_a(64, 'a');
const std::string hash_0(64, '0');

// A state text in the written form.
const std::string written =
    "{\n"
    " \"files\": {\n"
    "  \"data/map.rk\": {\n"
    "   \"mtime\": -5,\n"
    "   \"sha256\": \"" + hash_a + "\",\n"
    "   \"size\": 4294967296\n"
    "  },\n"
    "  \"kslv41.exe\": {\n"
    "   \"mtime\": 133800000000000000,\n"
    "   \"sha256\": \"" + hash_0 + "\",\n"
    "   \"size\": 0\n"
    "  }\n"
    " },\n"
    " \"last_seq\": 1794484334,\n"
    " \"version\": 1\n"
    "}\n";

std::string state_with(const std::string& files, const std::string& top = R"("version":1,"last_seq":0)") {
  return "{" + top + R"(,"files":{)" + files + "}}";
}

std::string record(const std::string& name, const std::string& body) { return "\"" + name + "\":{" + body + "}"; }

const std::string good_body = R"("size":1,"mtime":2,"sha256":")" + hash_a + "\"";

TEST(UpdateState, WrittenFormRoundTripsByteForByte) {
  UpdateState state;
  ASSERT_TRUE(parse_update_state(written, state));
  EXPECT_EQ(state.last_seq, 1794484334);
  ASSERT_EQ(state.files.size(), 2u);
  const StateRecord& map = state.files.at("data/map.rk");
  EXPECT_EQ(map.size, 4294967296u);
  EXPECT_EQ(map.mtime, -5);
  EXPECT_EQ(map.sha256, hash_a);
  EXPECT_EQ(state.files.at("kslv41.exe").mtime, 133800000000000000);
  EXPECT_EQ(serialize_update_state(state), written);
}

TEST(UpdateState, EmptyStateAndEmptyFiles) {
  const std::string empty = "{\n \"files\": {},\n \"last_seq\": 0,\n \"version\": 1\n}\n";
  EXPECT_EQ(serialize_update_state(UpdateState{}), empty);
  UpdateState state;
  state.last_seq = 9;
  state.files["x"] = {};
  ASSERT_TRUE(parse_update_state(empty, state));
  EXPECT_EQ(state.last_seq, 0);
  EXPECT_TRUE(state.files.empty());
}

TEST(UpdateState, ExtraKeysAreReadAndDropped) {
  UpdateState state;
  ASSERT_TRUE(parse_update_state(
      state_with(record("a.rk", good_body + R"(,"note":"x")"), R"("version":1,"last_seq":3,"tool":[1])"), state));
  EXPECT_EQ(state.files.size(), 1u);
  const std::string text = serialize_update_state(state);
  EXPECT_EQ(text.find("note"), std::string::npos);
  EXPECT_EQ(text.find("tool"), std::string::npos);
}

TEST(UpdateState, RefusesTheWholeFileForOneBadPart) {
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"not json", "{"},
      {"array", "[]"},
      {"version 2", state_with("", R"("version":2,"last_seq":0)")},
      {"version missing", state_with("", R"("last_seq":0)")},
      {"version 1.0", state_with("", R"("version":1.0,"last_seq":0)")},
      {"last_seq -1", state_with("", R"("version":1,"last_seq":-1)")},
      {"last_seq missing", state_with("", R"("version":1)")},
      {"last_seq above int64", state_with("", R"("version":1,"last_seq":9223372036854775808)")},
      {"files missing", R"({"version":1,"last_seq":0})"},
      {"files array", R"({"version":1,"last_seq":0,"files":[]})"},
      {"upper-case name", state_with(record("a.rk", good_body) + "," + record("Data/Map.rk", good_body))},
      {"unsafe name", state_with(record("a.rk", good_body) + "," + record("../x.rk", good_body))},
      {"record not object", state_with(R"("a.rk":5)")},
      {"size too large", state_with(record("a.rk", R"("size":4294967297,"mtime":2,"sha256":")" + hash_a + "\""))},
      {"size negative", state_with(record("a.rk", R"("size":-1,"mtime":2,"sha256":")" + hash_a + "\""))},
      {"mtime missing", state_with(record("a.rk", R"("size":1,"sha256":")" + hash_a + "\""))},
      {"mtime float", state_with(record("a.rk", R"("size":1,"mtime":2.5,"sha256":")" + hash_a + "\""))},
      {"mtime above int64", state_with(record("a.rk", R"("size":1,"mtime":9223372036854775808,"sha256":")" + hash_a + "\""))},
      {"63-digit hash", state_with(record("a.rk", R"("size":1,"mtime":2,"sha256":")" + std::string(63, 'a') + "\""))},
      {"upper-case hash", state_with(record("a.rk", R"("size":1,"mtime":2,"sha256":")" + std::string(64, 'A') + "\""))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UpdateState state;
    state.last_seq = 5;
    state.files["kept"] = {};
    EXPECT_FALSE(parse_update_state(c.text, state));
    EXPECT_EQ(state.last_seq, 0);
    EXPECT_TRUE(state.files.empty());
  }
}

TEST(UpdateState, IntegerLimits) {
  UpdateState state;
  ASSERT_TRUE(parse_update_state(
      state_with(record("a.rk", R"("size":4294967296,"mtime":-9223372036854775808,"sha256":")" + hash_a + "\"") + "," +
                     record("b.rk", R"("size":0,"mtime":9223372036854775807,"sha256":")" + hash_a + "\""),
                 R"("version":1,"last_seq":9223372036854775807)"),
      state));
  EXPECT_EQ(state.last_seq, INT64_MAX);
  EXPECT_EQ(state.files.at("a.rk").mtime, INT64_MIN);
  EXPECT_EQ(state.files.at("b.rk").mtime, INT64_MAX);
  UpdateState again;
  ASSERT_TRUE(parse_update_state(serialize_update_state(state), again));
  EXPECT_EQ(again.files.at("a.rk").mtime, INT64_MIN);
  EXPECT_EQ(again.last_seq, INT64_MAX);
}

// The state is written directly, not through the library's tree: byte for byte
// what the library's dump with one space of indent writes, for names and hashes
// that need escapes or are beyond ASCII too (a loaded state never has them, but
// the writer takes any state), and at the limits of every integer.
TEST(UpdateState, WritesWhatTheLibraryDumpWrites) {
  const auto state_of = [](std::int64_t last_seq, std::initializer_list<std::pair<std::string, StateRecord>> records) {
    UpdateState state;
    state.last_seq = last_seq;
    for (const auto& [key, record] : records) state.files[key] = record;
    return state;
  };
  std::string every_control;
  for (char c = 1; c < 0x20; ++c) every_control += c;
  const struct {
    const char* name;
    UpdateState state;
  } cases[] = {
      {"empty", UpdateState{}},
      {"one record", state_of(1794484334, {{"kslv41.exe", {0, 0, hash_0}}})},
      {"integer limits", state_of(INT64_MAX, {{"a.rk", {UINT64_MAX, INT64_MIN, hash_a}}, {"b.rk", {0, INT64_MAX, hash_a}}})},
      {"negative seq", state_of(INT64_MIN, {{"a.rk", {1, -1, hash_a}}})},
      {"escapes in a name", state_of(3, {{"quote\"back\\slash/\b\f\n\r\t", {1, 2, hash_a}}, {every_control, {1, 2, hash_a}}})},
      {"escapes in a hash", state_of(3, {{"a.rk", {1, 2, "\"\\\x7f"}}, {"b.rk", {1, 2, ""}}})},
      {"beyond ASCII", state_of(3, {{"caf\xc3\xa9/\xe2\x82\xac\xf0\x9f\x98\x80.rk", {1, 2, hash_a}}, {"\x7f", {1, 2, hash_a}}})},
      {"key order", state_of(3, {{"b", {1, 2, hash_a}}, {"a/b", {1, 2, hash_a}}, {"a", {1, 2, hash_a}}, {"B", {1, 2, hash_a}}})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(serialize_update_state(c.state), reference::serialize_update_state(c.state));
  }
}

// A run keeps, besides one record per manifest file (at most 5000), the records of
// files that left the game and could not be removed yet: the next run must read
// whatever a run writes.
TEST(UpdateState, RecordCountAndSizeLimits) {
  UpdateState full;
  for (int i = 0; i < 10000; ++i) full.files["f" + std::to_string(i)] = {1, 2, hash_a};
  UpdateState state;
  ASSERT_TRUE(parse_update_state(serialize_update_state(full), state));
  EXPECT_EQ(state.files.size(), 10000u);

  full.files["one-more"] = {1, 2, hash_a};
  EXPECT_FALSE(parse_update_state(serialize_update_state(full), state));

  // The longest records that can be written, as many as can be read, stay below
  // the size limit of the file.
  UpdateState longest;
  longest.last_seq = INT64_MAX;
  for (int i = 0; i < 10000; ++i) {
    std::string number = std::to_string(i);
    number.insert(0, 5 - number.size(), '0');
    longest.files[std::string(99, 'a') + "/" + number + std::string(95, 'b')] = {4294967296, INT64_MIN, hash_a};
  }
  const std::string text = serialize_update_state(longest);
  EXPECT_LE(text.size(), vup::max_state_file_size);
  EXPECT_TRUE(parse_update_state(text, state));

  // Whitespace is free in JSON: the same empty state padded to the limit and past it.
  std::string padded = state_with("");
  padded.append(vup::max_state_file_size - padded.size(), ' ');
  EXPECT_TRUE(parse_update_state(padded, state));
  padded += ' ';
  EXPECT_FALSE(parse_update_state(padded, state));
}

// Where checks made on the parser's events could part from checks made on the
// library's tree: keys given twice (the last counts), a later "files" replacing an
// earlier one, values nested where nothing is looked at.
TEST(UpdateState, ReadsAsTheLibraryTreeDoes) {
  const std::string cases[] = {
      state_with("", R"("version":2,"version":1,"last_seq":0)"),
      state_with(R"("a.rk":5,)" + record("a.rk", good_body)),
      state_with(record("a.rk", good_body) + R"(,"a.rk":5)"),
      state_with(record("a.rk", R"("size":-1,)" + good_body)),
      state_with(record("a.rk", good_body + R"(,"size":-1)")),
      R"({"version":1,"last_seq":0,"files":{)" + record("A.rk", good_body) + R"(},"files":{}})",
      R"({"version":1,"last_seq":0,"files":{},"files":{)" + record("A.rk", good_body) + "}}",
      R"({"version":1,"last_seq":0,"files":[],"files":{)" + record("a.rk", good_body) + "}}",
      state_with(record("a.rk", good_body + R"(,"x":[{"y":{"z":[null,true,1e999]}}])")),
      state_with(record("a.rk", good_body + R"(,"x":[{"y":{"z":[null,true,1e99]}}])")),
      state_with(record("a\u002erk", good_body)),
      state_with(record("a.rk", good_body), R"("version":1,"last_seq":-0)"),
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    UpdateState state;
    UpdateState expected;
    const bool accepted = parse_update_state(text, state);
    EXPECT_EQ(accepted, reference::parse_update_state(text, expected));
    if (accepted) {
      EXPECT_EQ(state.last_seq, expected.last_seq);
      ASSERT_EQ(state.files.size(), expected.files.size());
      for (const auto& [key, record] : expected.files) {
        ASSERT_EQ(state.files.count(key), 1u) << key;
        EXPECT_EQ(state.files.at(key).size, record.size);
        EXPECT_EQ(state.files.at(key).mtime, record.mtime);
      }
    }
  }
}

}  // namespace
