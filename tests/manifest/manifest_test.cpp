#include "manifest/manifest.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/fuzz/manifest_invariants.h"
#include "tests/fuzz/reference_formats.h"
#include "tests/support/test_signing.h"

namespace {

using namespace quillfen::updater;
using vup::test::digest_of;
using vup::test::manifest_text;

const std::string hash_a = digest_of('a');
const std::string hash_b = digest_of('b');

// One file entry as JSON text.
std::string entry(const std::string& path, const std::string& rest = "") {
  return R"({"path":")" + path + R"(","sha256":")" + hash_a + R"(","size":5)" + rest + "}";
}

std::string doc(const std::string& files, const std::string& top = R"("format":1,"seq":100)") {
  return "{" + top + R"(,"files":[)" + files + "]}";
}

TEST(Manifest, AcceptsAManifestAndKeepsItsOrder) {
  const std::string text = R"({"format":1,"seq":1794484334,"created":"2026-12-01 build 7","extra":{"x":1},"files":[)"
                           R"({"path":"KSLv41.exe","sha256":")" + hash_a + R"(","size":4294967296,"other":null},)"
                           R"({"path":"Data/Map.rk","sha256":")" + hash_b + R"(","size":0,"keep_local":true},)"
                           R"({"path":"a.txt","sha256":")" + hash_a + R"(","size":7,"keep_local":false}]})";
  const ManifestResult r = parse_manifest(text, 1794484334);
  ASSERT_EQ(r.error, manifest_ok) << r.detail;
  EXPECT_EQ(r.detail, "");
  EXPECT_EQ(r.manifest.seq, 1794484334);
  EXPECT_EQ(r.manifest.created, "2026-12-01 build 7");
  ASSERT_EQ(r.manifest.files.size(), 3u);
  EXPECT_EQ(r.manifest.files[0].path, "KSLv41.exe");
  EXPECT_EQ(r.manifest.files[0].size, 4294967296u);
  EXPECT_EQ(r.manifest.files[0].sha256, hash_a);
  EXPECT_FALSE(r.manifest.files[0].keep_local);
  EXPECT_EQ(r.manifest.files[1].path, "Data/Map.rk");
  EXPECT_EQ(r.manifest.files[1].size, 0u);
  EXPECT_TRUE(r.manifest.files[1].keep_local);
  EXPECT_FALSE(r.manifest.files[2].keep_local);

  const ManifestResult minimal = parse_manifest(doc(entry("x")), 100);
  ASSERT_EQ(minimal.error, manifest_ok);
  EXPECT_EQ(minimal.manifest.created, "");
}

TEST(Manifest, RefusesWithTheFirstFailure) {
  const std::string long_path = std::string(90, 'p') + "*";
  const struct {
    const char* name;
    std::string text;
    std::int64_t min_seq;
    int error;
    std::string detail;
  } cases[] = {
      {"not json", "{", 0, manifest_malformed, "not a JSON object"},
      {"array", "[]", 0, manifest_malformed, "not a JSON object"},
      {"trailing comma", R"({"format":1,})", 0, manifest_malformed, "not a JSON object"},
      {"second value", doc(entry("x")) + "{}", 0, manifest_malformed, "not a JSON object"},
      {"comment", "/* c */" + doc(entry("x")), 0, manifest_malformed, "not a JSON object"},
      {"bad utf-8", "{\"created\":\"\xC3\"}", 0, manifest_malformed, "not a JSON object"},
      {"format 1.0", doc(entry("x"), R"("format":1.0,"seq":"nope")"), 0, format_unsupported, ""},
      {"format string", doc(entry("x"), R"("format":"1","seq":1)"), 0, format_unsupported, ""},
      {"format 2", doc(entry("x"), R"("format":2,"seq":1)"), 0, format_unsupported, ""},
      {"format missing", doc(entry("x"), R"("seq":1)"), 0, format_unsupported, ""},
      {"seq missing", doc(entry("x"), R"("format":1)"), 0, manifest_malformed, "seq"},
      {"seq string", doc(entry("x"), R"("format":1,"seq":"5")"), 0, manifest_malformed, "seq"},
      {"seq float", doc(entry("x"), R"("format":1,"seq":5.0)"), 0, manifest_malformed, "seq"},
      {"seq above int64", doc(entry("x"), R"("format":1,"seq":9223372036854775808)"), 0,
       manifest_malformed, "seq"},
      {"seq uint64 max", doc(entry("x"), R"("format":1,"seq":18446744073709551615)"), 0,
       manifest_malformed, "seq"},
      {"seq below minimum", doc(entry("x"), R"("format":1,"seq":99)"), 100, manifest_outdated, "99"},
      {"negative seq", doc(entry("x"), R"("format":1,"seq":-5)"), -4, manifest_outdated, "-5"},
      {"int64 min seq", doc(entry("x"), R"("format":1,"seq":-9223372036854775808)"), 0, manifest_outdated,
       "-9223372036854775808"},
      {"created null", doc(entry("x"), R"("format":1,"seq":1,"created":null)"), 0, manifest_malformed,
       "created"},
      {"created 65 bytes", doc(entry("x"), R"("format":1,"seq":1,"created":")" + std::string(65, 'c') + "\""),
       0, manifest_malformed, "created"},
      {"files missing", R"({"format":1,"seq":1})", 0, manifest_malformed, "files"},
      {"files object", R"({"format":1,"seq":1,"files":{}})", 0, manifest_malformed, "files"},
      {"files empty", doc(""), 0, manifest_malformed, "files"},
      {"entry string", doc(R"("x")"), 0, manifest_malformed, "file entry"},
      {"entry number", doc(entry("x") + ",5"), 0, manifest_malformed, "file entry"},
      {"no path", doc(R"({"sha256":")" + hash_a + R"(","size":1})"), 0, unsafe_path, "missing path"},
      {"path number", doc(R"({"path":5})"), 0, unsafe_path, "missing path"},
      {"unsafe path", doc(entry("../x.rk")), 0, unsafe_path, "../x.rk"},
      {"unsafe long path cut to 80", doc(entry(long_path)), 0, unsafe_path, std::string(80, 'p')},
      {"duplicate by case", doc(entry("Data/Map.rk") + "," + entry("data/map.rk")), 0, duplicate_path,
       "data/map.rk"},
      {"upper-case hash", doc(R"({"path":"x","sha256":")" + digest_of('A') + R"(","size":1})"), 0,
       bad_file_hash, "x"},
      {"63-digit hash", doc(R"({"path":"x","sha256":")" + std::string(63, 'a') + R"(","size":1})"), 0,
       bad_file_hash, "x"},
      {"65-digit hash", doc(R"({"path":"x","sha256":")" + std::string(65, 'a') + R"(","size":1})"), 0,
       bad_file_hash, "x"},
      {"hash missing", doc(R"({"path":"x","size":1})"), 0, bad_file_hash, "x"},
      {"size too large", doc(R"({"path":"x","sha256":")" + hash_a + R"(","size":4294967297})"), 0,
       bad_file_size, "x"},
      {"size negative", doc(R"({"path":"x","sha256":")" + hash_a + R"(","size":-1})"), 0, bad_file_size, "x"},
      {"size float", doc(R"({"path":"x","sha256":")" + hash_a + R"(","size":12.0})"), 0, bad_file_size, "x"},
      {"size string", doc(R"({"path":"x","sha256":")" + hash_a + R"(","size":"12"})"), 0, bad_file_size, "x"},
      {"size missing", doc(R"({"path":"x","sha256":")" + hash_a + R"("})"), 0, bad_file_size, "x"},
      {"keep_local string", doc(entry("x", R"(,"keep_local":"yes")")), 0, manifest_malformed, "keep_local"},
      {"keep_local null", doc(entry("x", R"(,"keep_local":null)")), 0, manifest_malformed, "keep_local"},
      {"second entry fails first", doc(entry("a") + R"(,{"path":"b","sha256":"x","size":1},)" + entry("../c")),
       0, bad_file_hash, "b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ManifestResult r = parse_manifest(c.text, c.min_seq);
    EXPECT_EQ(r.error, c.error);
    EXPECT_EQ(r.detail, c.detail);
    EXPECT_EQ(r.manifest.seq, 0);
    EXPECT_TRUE(r.manifest.files.empty());
    EXPECT_TRUE(r.manifest.created.empty());
  }
}

TEST(Manifest, SequenceAndCreatedLimits) {
  EXPECT_EQ(parse_manifest(doc(entry("x"), R"("format":1,"seq":100)"), 100).error, manifest_ok);
  EXPECT_EQ(parse_manifest(doc(entry("x"), R"("format":1,"seq":9223372036854775807)"), 100).error, manifest_ok);
  EXPECT_EQ(parse_manifest(doc(entry("x"), R"("format":1,"seq":-3)"), -3).error, manifest_ok);
  const auto r = parse_manifest(doc(entry("x"), R"("format":1,"seq":1,"created":")" + std::string(64, 'c') + "\""), 0);
  ASSERT_EQ(r.error, manifest_ok);
  EXPECT_EQ(r.manifest.created.size(), 64u);
}

TEST(Manifest, FileCountLimit) {
  std::vector<FileEntry> files;
  for (int i = 0; i < 5000; ++i) files.push_back({"f" + std::to_string(i), 1, hash_a, false});
  const ManifestResult full = parse_manifest(manifest_text(7, files), 7);
  ASSERT_EQ(full.error, manifest_ok) << full.detail;
  EXPECT_EQ(full.manifest.files.size(), 5000u);

  // 5001 elements are refused before any entry is looked at, even a bad one.
  std::string elements = "5";
  for (int i = 0; i < 5000; ++i) elements += ",5";
  const ManifestResult over = parse_manifest(doc(elements), 0);
  EXPECT_EQ(over.error, too_many_files);
  EXPECT_EQ(over.detail, "");
}

TEST(Manifest, ErrorTexts) {
  EXPECT_STREQ(manifest_error_text(0), "ok");
  EXPECT_STREQ(manifest_error_text(3), "the manifest signature does not verify");
  EXPECT_STREQ(manifest_error_text(9), "the manifest lists a path twice");
  EXPECT_STREQ(manifest_error_text(12), "internal error while checking the manifest");
  EXPECT_STREQ(manifest_error_text(13), "unknown error");
  EXPECT_STREQ(manifest_error_text(-1), "unknown error");
}

// Where checks made on the parser's events could part from checks made on the
// library's tree: keys given twice (the last counts), a later "files" replacing an
// earlier one, values nested where nothing is looked at.
TEST(Manifest, ReadsAsTheLibraryTreeDoes) {
  std::string many;
  for (int i = 0; i < 5001; ++i) many += (i ? "," : "") + entry("f" + std::to_string(i));
  const std::string cases[] = {
      R"({"format":2,"format":1,"seq":100,"files":[)" + entry("a") + "]}",
      R"({"format":1,"seq":100,"files":[5],"files":[)" + entry("a") + "]}",
      R"({"format":1,"seq":100,"files":[)" + entry("a") + R"(],"files":[]})",
      doc(R"({"path":"../x","path":"a","sha256":")" + hash_a + R"(","size":1,"size":-1})"),
      doc(R"({"path":"a","sha256":")" + hash_a + R"(","size":1,"keep_local":"yes","keep_local":true})"),
      doc(entry("a", R"(,"deep":[{"x":[[{"path":"../y"}]]}])")),
      doc(entry("A") + "," + entry("b", R"(,"path":"a")")),
      doc(many.substr(0, many.size() - 1) + R"(,"bad")"),
      doc(entry("bad\u0000name")),
      doc(entry("a\u00e9")),
      R"({"format":1,"seq":-0,"files":[)" + entry("a") + "]}",
      R"({"format":1,"seq":1e2,"files":[)" + entry("a") + "]}",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(0, 120));
    EXPECT_TRUE(same_result(parse_manifest(text, 0), reference::parse_manifest(text, 0)));
  }
}

}  // namespace
