#include "fs/file_primitives.h"

#include <atomic>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using vup::test::read_bytes;
using vup::test::TempFolder;
using vup::test::write_bytes;

const std::string empty_digest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

std::string patterned(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 4099) & 0xFF);
  return bytes;
}

std::string digest_of(const std::string& bytes) {
  vup::Sha256 hasher;
  hasher.update(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return hasher.finish_hex().value_or("failed");
}

TEST(Sha256, KnownAnswers) {
  struct Case {
    std::string input;
    std::string digest;
  };
  const Case cases[] = {
      {"", empty_digest},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(digest_of(c.input), c.digest);
  }
}

TEST(Sha256, PiecesGiveTheSameDigestAsOneUpdate) {
  // One million "a", fed in uneven pieces and in empty ones.
  const std::string million(1000000, 'a');
  vup::Sha256 hasher;
  std::size_t at = 0;
  for (std::uint32_t piece = 1; at < million.size(); piece = piece * 3 + 1) {
    const std::size_t take = std::min<std::size_t>(piece, million.size() - at);
    hasher.update(million.data() + at, static_cast<std::uint32_t>(take));
    hasher.update(million.data(), 0);
    at += take;
  }
  EXPECT_EQ(hasher.finish_hex(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_EQ(hasher.finish_hex(), std::nullopt) << "a finished hash gives no second digest";
}

TEST(HashFile, DigestsOfFiles) {
  TempFolder folder;
  // Larger than the 1 MiB read buffer and not a multiple of it.
  const std::string big = patterned(3 * 1048576 + 17);
  write_bytes(folder.path() / "big.bin", big);
  write_bytes(folder.path() / "empty.bin", "");

  EXPECT_EQ(vup::hash_file((folder.path() / "empty.bin").native()), empty_digest);
  EXPECT_EQ(vup::hash_file((folder.path() / "big.bin").native()), digest_of(big));
  EXPECT_EQ(vup::hash_file((folder.path() / "missing.bin").native()), std::nullopt);
  EXPECT_EQ(vup::hash_file(folder.path().native()), std::nullopt) << "a folder is not hashed";

  const std::atomic<bool> stop{true};
  EXPECT_EQ(vup::hash_file((folder.path() / "empty.bin").native(), &stop), std::nullopt);
  const std::atomic<bool> go_on{false};
  EXPECT_EQ(vup::hash_file((folder.path() / "big.bin").native(), &go_on), digest_of(big));
}

TEST(ReadWholeFile, CapAndMissingFiles) {
  TempFolder folder;
  const std::string at_cap = patterned(4096);
  write_bytes(folder.path() / "at_cap", at_cap);
  write_bytes(folder.path() / "over_cap", patterned(4097));
  // Several 64 KiB chunks.
  const std::string large = patterned(200000);
  write_bytes(folder.path() / "large", large);

  struct Case {
    fs::path path;
    std::uint32_t cap;
    vup::ReadResult result;
    std::string bytes;
  };
  const Case cases[] = {
      {folder.path() / "at_cap", 4096, vup::read_ok, at_cap},
      {folder.path() / "over_cap", 4096, vup::read_too_large, ""},
      {folder.path() / "large", 200000, vup::read_ok, large},
      {folder.path() / "large", 199999, vup::read_too_large, ""},
      {folder.path() / "missing", 4096, vup::read_not_found, ""},
      {folder.path() / "no_folder" / "file", 4096, vup::read_not_found, ""},
      {folder.path(), 4096, vup::read_error, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.string() + " cap " + std::to_string(c.cap));
    std::string bytes = "left over";
    EXPECT_EQ(vup::read_whole_file(c.path.native(), c.cap, bytes), c.result);
    EXPECT_EQ(bytes, c.bytes);
  }
}

TEST(FileStat, SizeOfFilesOnly) {
  TempFolder folder;
  write_bytes(folder.path() / "five", "12345");
  const auto stat = vup::file_stat((folder.path() / "five").native());
  ASSERT_TRUE(stat.has_value());
  EXPECT_EQ(stat->size, 5u);
  EXPECT_NE(stat->last_write, 0u);
  EXPECT_EQ(vup::file_stat(folder.path().native()), std::nullopt);
  EXPECT_EQ(vup::file_stat((folder.path() / "missing").native()), std::nullopt);
}

TEST(OutputFile, WritesFlushesAndCloses) {
  TempFolder folder;
  const fs::path path = folder.path() / "out.bin";
  write_bytes(path, "an older and longer content");
  vup::OutputFile file;
  EXPECT_FALSE(file.write_all("x", 1)) << "nothing open";
  EXPECT_TRUE(file.write_all("x", 0));
  EXPECT_FALSE(file.flush_and_close());

  ASSERT_TRUE(file.create(path.native()));
  EXPECT_TRUE(file.is_open());
  EXPECT_TRUE(file.write_all("new", 3));
  EXPECT_TRUE(file.flush_and_close());
  EXPECT_FALSE(file.is_open());
  EXPECT_EQ(read_bytes(path), "new") << "create truncates";

  EXPECT_FALSE(file.create((folder.path() / "no_folder" / "out.bin").native()));
  EXPECT_FALSE(file.is_open());
}

TEST(ReplaceFile, MovesOverTheDestination) {
  TempFolder folder;
  const fs::path source = folder.path() / "new";
  const fs::path destination = folder.path() / "old";
  write_bytes(source, "new content");
  write_bytes(destination, "old");
  EXPECT_EQ(vup::replace_file(source.native(), destination.native()), 0);
  EXPECT_EQ(read_bytes(destination), "new content");
  EXPECT_FALSE(fs::exists(source));
  EXPECT_NE(vup::replace_file(source.native(), destination.native()), 0) << "the source is gone";
  EXPECT_EQ(read_bytes(destination), "new content");
}

TEST(WriteFileAtomically, ReplacesOrLeavesEverythingAsItWas) {
  TempFolder folder;
  const fs::path destination = folder.path() / "state.json";
  write_bytes(destination, "old");
  ASSERT_TRUE(vup::write_file_atomically(destination.native(), "new", 3));
  EXPECT_EQ(read_bytes(destination), "new");
  EXPECT_FALSE(fs::exists(folder.path() / "state.json.tmp"));

  // Into a folder that does not exist: nothing is made.
  const fs::path nowhere = folder.path() / "missing" / "state.json";
  EXPECT_FALSE(vup::write_file_atomically(nowhere.native(), "new", 3));
  EXPECT_FALSE(fs::exists(folder.path() / "missing"));

  // Onto a folder: the temporary file is written, the move fails, and the
  // temporary file must go while the folder stays as it was.
  const fs::path taken = folder.path() / "taken";
  fs::create_directory(taken);
  write_bytes(taken / "inside", "kept");
  EXPECT_FALSE(vup::write_file_atomically(taken.native(), "new", 3));
  EXPECT_FALSE(fs::exists(folder.path() / "taken.tmp"));
  EXPECT_TRUE(fs::is_directory(taken));
  EXPECT_EQ(read_bytes(taken / "inside"), "kept");
}

TEST(FreeDiskSpace, OfAFolderAndOfNothing) {
  TempFolder folder;
  EXPECT_GT(vup::free_disk_space(folder.path().native()).value_or(0), 0u);
  // A failed query is not "no space at all".
  EXPECT_EQ(vup::free_disk_space((folder.path() / "missing").native()), std::nullopt);
  EXPECT_NE(vup::last_error_code(), 0);
}

TEST(ProgramFolder, HoldsTheRunningProgram) {
  const vup::PathString folder = vup::program_folder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), vup::path_separator);
  EXPECT_TRUE(fs::is_directory(fs::path(folder)));
}

TEST(TextConversions, AsciiRoundTrip) {
  const std::string printable = "Data/Map.rk !#$%&'()+,;=[]^_`{}";
  EXPECT_EQ(vup::narrow_ascii(vup::widen_bytes(printable)), printable);
  EXPECT_EQ(vup::narrow_ascii(vup::widen_bytes(std::string("a\0b", 3))), "a?b") << "a zero unit is not kept";
}

}  // namespace
