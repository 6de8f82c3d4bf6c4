#include "fs/file_primitives.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

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

// A pipe that hash_file reads from while the test decides when data arrives, so
// the stop flag can be set between two reads.
TEST(HashFile, StopSetBetweenReadsEndsTheHash) {
  vup::test::TempFolder folder;
  const std::string fifo = (folder.path() / "stream").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Read-write so that neither side waits for the other to open.
  const int writer = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(writer, 0);

  std::atomic<bool> stop{false};
  auto hashing = std::async(std::launch::async, [&] { return vup::hash_file(fifo, &stop); });
  ASSERT_EQ(write(writer, "first", 5), 5);
  // Wait until hash_file has taken the first bytes.
  for (int waiting = 1; waiting != 0;) {
    ASSERT_EQ(ioctl(writer, FIONREAD, &waiting), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  stop = true;
  // More data, but never an end of file: only the stop flag can end this hash.
  ASSERT_EQ(write(writer, "second", 6), 6);
  const bool ended = hashing.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  close(writer);  // lets a hash that ignored the flag finish
  EXPECT_TRUE(ended) << "hash_file did not look at the stop flag between reads";
  EXPECT_EQ(hashing.get(), std::nullopt);
}

}  // namespace
