#include "fs/file_primitives.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tests/support/unprivileged_posix.h"

namespace {

TEST(NarrowAscii, EachUtf8CharacterOrStrayByteIsOneQuestionMark) {
  struct Case {
    std::string text;
    std::string narrow;
  };
  const Case cases[] = {
      {"Data/Map.rk", "Data/Map.rk"},
      {"caf\xC3\xA9.txt", "caf?.txt"},              // two bytes
      {"\xE2\x82\xAC" "5", "?5"},                   // three bytes
      {"a\xF0\x9F\x99\x82z", "a?z"},                // four bytes
      {"\xFF\xFE", "??"},                           // bytes that never start a character
      {"\xC3", "?"},                                // cut off at the end
      {"\xE2\x82" "a", "??a"},                      // cut off before an ASCII byte
      {"\x80\xBF", "??"},                           // continuation bytes alone
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.narrow);
    EXPECT_EQ(vup::narrow_ascii(c.text), c.narrow);
  }
  EXPECT_EQ(vup::widen_bytes("caf\xC3\xA9"), "caf\xC3\xA9");
}

// How far this process has read `path` through a descriptor it holds open; -1
// while no descriptor is open on it.
long long read_position(const std::filesystem::path& path) {
  const std::filesystem::path target = std::filesystem::canonical(path);
  std::error_code error;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    if (std::filesystem::read_symlink(fd.path(), error) != target) continue;
    std::ifstream info("/proc/self/fdinfo/" + fd.path().filename().string());
    std::string key;
    long long position = -1;
    if (info >> key >> position && key == "pos:") return position;
  }
  return -1;
}

// A sparse file far larger than a test could hash: once the first read is done,
// only the stop flag can end the hash soon.
TEST(HashFile, StopSetBetweenReadsEndsTheHash) {
  vup::test::TempFolder folder;
  const std::filesystem::path sparse = folder.path() / "sparse";
  vup::test::write_bytes(sparse, "");
  std::filesystem::resize_file(sparse, 1ULL << 40);

  std::atomic<bool> stop{false};
  auto hashing = std::async(std::launch::async, [&] { return vup::hash_file(sparse.native(), &stop); });
  bool reading = false;
  for (int waited = 0; waited < 30000 && !reading; ++waited) {
    reading = read_position(sparse) > 0;
    if (!reading) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  stop = true;
  const bool ended = hashing.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  if (!ended) std::filesystem::resize_file(sparse, 0);  // lets a hash that ignored the flag finish
  EXPECT_TRUE(reading) << "hash_file never read the file";
  EXPECT_TRUE(ended) << "hash_file did not look at the stop flag between reads";
  EXPECT_EQ(hashing.get(), std::nullopt);
}

// Whether `read` returns within 30 s while nothing ever writes into `fifo`. A call
// still waiting after that is released with an end of file.
template <typename Read>
bool returns_without_a_writer(const std::string& fifo, Read read) {
  auto reading = std::async(std::launch::async, read);
  const bool returned = reading.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  while (reading.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
    const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (writer >= 0) close(writer);
  }
  return returned;
}

TEST(SpecialFiles, ArePromptlyRefusedByTheReaders) {
  vup::test::TempFolder folder;
  const std::string fifo = (folder.path() / "pipe").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::optional<std::string> digest = "not called";
  EXPECT_TRUE(returns_without_a_writer(fifo, [&] { digest = vup::hash_file(fifo); }));
  EXPECT_EQ(digest, std::nullopt);
  std::string bytes = "left over";
  vup::ReadResult read = vup::read_ok;
  EXPECT_TRUE(returns_without_a_writer(fifo, [&] { read = vup::read_whole_file(fifo, 4096, bytes); }));
  EXPECT_EQ(read, vup::read_error);
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(vup::file_stat(fifo), std::nullopt) << "a pipe is not a file";
}

// Someone who may write into the game folder places a link where the updater
// writes a temporary file: the link is replaced or refused, never followed.
TEST(TemporaryFiles, AreNeverWrittenThroughALink) {
  vup::test::TempFolder folder;
  const std::filesystem::path victim = folder.path() / "victim";
  vup::test::write_bytes(victim, "precious");
  const std::filesystem::path part = folder.path() / "Map.rk.vup-part";
  std::filesystem::create_symlink(victim, part);
  vup::OutputFile file;
  if (file.create(part.native())) {
    EXPECT_TRUE(file.write_all("downloaded", 10));
    EXPECT_TRUE(file.flush_and_close());
    EXPECT_FALSE(std::filesystem::is_symlink(part));
    EXPECT_EQ(vup::test::read_bytes(part), "downloaded");
  }
  EXPECT_EQ(vup::test::read_bytes(victim), "precious");

  // A dangling link must not create what it points to either.
  const std::filesystem::path absent = folder.path() / "absent";
  const std::filesystem::path tmp = folder.path() / "state.json.tmp";
  std::filesystem::create_symlink(absent, tmp);
  EXPECT_TRUE(vup::write_file_atomically((folder.path() / "state.json").native(), "state", 5));
  EXPECT_FALSE(std::filesystem::exists(absent));
  EXPECT_FALSE(std::filesystem::exists(tmp));
  EXPECT_EQ(vup::test::read_bytes(folder.path() / "state.json"), "state");
}

// Once the new file has its name, the replacement has happened, even when the
// folder cannot be synced afterwards (here: a folder the process may write into
// but not open).
TEST(ReplaceFile, SucceedsOnceTheNameIsMoved) {
  vup::test::TempFolder folder;
  const std::filesystem::path box = folder.path() / "box";
  std::filesystem::create_directory(box);
  vup::test::write_bytes(box / "new", "new");
  vup::test::write_bytes(box / "old", "old");
  std::filesystem::permissions(box / "new", std::filesystem::perms::all);
  std::filesystem::permissions(box, std::filesystem::perms::owner_write | std::filesystem::perms::owner_exec |
                                        std::filesystem::perms::others_write | std::filesystem::perms::others_exec);
  const int result = vup::test::run_unprivileged([&] {
    return vup::replace_file((box / "new").native(), (box / "old").native()) == 0 &&
           vup::write_file_atomically((box / "state.json").native(), "state", 5);
  });
  std::filesystem::permissions(box, std::filesystem::perms::owner_all);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(vup::test::read_bytes(box / "old"), "new");
  EXPECT_EQ(vup::test::read_bytes(box / "state.json"), "state");
}

}  // namespace
