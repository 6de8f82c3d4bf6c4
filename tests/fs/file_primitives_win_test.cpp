#include "fs/file_primitives.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using vup::test::read_bytes;
using vup::test::TempFolder;
using vup::test::write_bytes;

TEST(NarrowAscii, EachUtf16UnitOutsideAsciiIsOneQuestionMark) {
  struct Case {
    std::wstring text;
    std::string narrow;
  };
  const Case cases[] = {
      {L"C:\\Games\\Data\\Map.rk", "C:\\Games\\Data\\Map.rk"},
      {L"caf\u00e9.txt", "caf?.txt"},
      {L"a\U0001F642z", "a??z"},  // a surrogate pair is two units
      {std::wstring(L"a\0\x7f\x80", 4), "a?\x7f?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.narrow);
    EXPECT_EQ(vup::narrow_ascii(c.text), c.narrow);
  }
  EXPECT_EQ(vup::widen_bytes("caf\xE9\xFF"), L"caf\u00e9\u00ff");
}

TEST(ReplaceFile, DestinationHeldOpenIsInUse) {
  TempFolder folder;
  const fs::path source = folder.path() / "new";
  const fs::path destination = folder.path() / "old";
  write_bytes(source, "new");
  write_bytes(destination, "old");
  // Another reader that does not allow deletion, as a running game would.
  HANDLE held = CreateFileW(destination.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const int code = vup::replace_file(source.native(), destination.native());
  CloseHandle(held);
  EXPECT_TRUE(code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED) << code;
  EXPECT_EQ(read_bytes(destination), "old");
  EXPECT_EQ(read_bytes(source), "new");
  EXPECT_EQ(vup::replace_file(source.native(), destination.native()), 0);
  EXPECT_EQ(read_bytes(destination), "new");
}

// A scanner's look at the file: read access, sharing read only, so that the move
// over it fails until the handle is closed.
HANDLE open_as_scanner(const fs::path& file) {
  return CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

TEST(WriteFileAtomically, WaitsForADestinationHeldForAMoment) {
  TempFolder folder;
  const fs::path destination = folder.path() / "state.json";
  write_bytes(destination, "old");
  HANDLE held = open_as_scanner(destination);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  auto letting_go = std::async(std::launch::async, [held] {
    Sleep(700);
    CloseHandle(held);
  });
  const bool written = vup::write_file_atomically(destination.native(), "new", 3);
  letting_go.get();
  EXPECT_TRUE(written);
  EXPECT_EQ(read_bytes(destination), "new");
  EXPECT_FALSE(fs::exists(folder.path() / "state.json.tmp"));
}

TEST(WriteFileAtomically, StopWhileWaitingLeavesTheOldFileAndNoTemporaryFile) {
  TempFolder folder;
  const fs::path destination = folder.path() / "state.json";
  write_bytes(destination, "old");
  HANDLE held = open_as_scanner(destination);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::atomic<bool> stop{false};
  auto stopping = std::async(std::launch::async, [&stop] {
    Sleep(300);
    stop = true;
  });
  const auto started = std::chrono::steady_clock::now();
  const bool written = vup::write_file_atomically(destination.native(), "new", 3, &stop);
  const auto waited = std::chrono::steady_clock::now() - started;
  stopping.get();
  CloseHandle(held);
  EXPECT_FALSE(written);
  EXPECT_LT(waited, std::chrono::seconds(8)) << "the stop flag did not end the wait";
  EXPECT_EQ(read_bytes(destination), "old");
  EXPECT_FALSE(fs::exists(folder.path() / "state.json.tmp"));
}

// A pipe that hash_file reads from while the test decides when data arrives, so
// the stop flag can be set between two reads.
TEST(HashFile, StopSetBetweenReadsEndsTheHash) {
  const std::wstring name = L"\\\\.\\pipe\\vup-hash-stop-" + std::to_wstring(GetCurrentProcessId());
  HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 0, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  std::atomic<bool> stop{false};
  auto hashing = std::async(std::launch::async, [&] { return vup::hash_file(name, &stop); });
  const bool connected = ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
  DWORD wrote = 0;
  const bool first = connected && WriteFile(pipe, "first", 5, &wrote, nullptr);
  // Returns once the reader has taken everything written so far.
  FlushFileBuffers(pipe);
  stop = true;
  // More data, but no end: only the stop flag can end this hash. (Where the flush
  // does not wait, the hash may already have ended and closed its side.)
  if (first) WriteFile(pipe, "second", 6, &wrote, nullptr);
  const bool ended = hashing.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  DisconnectNamedPipe(pipe);
  CloseHandle(pipe);
  EXPECT_TRUE(connected && first);
  EXPECT_TRUE(ended) << "hash_file did not look at the stop flag between reads";
  EXPECT_EQ(hashing.get(), std::nullopt);
}

}  // namespace
