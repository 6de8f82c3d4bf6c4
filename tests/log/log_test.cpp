#include "log/log.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/log/log_environment.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using vup::test::read_bytes;
using vup::test::run_helper;
using vup::test::write_bytes;

TEST(FormatLogLine, TimeTwoSpacesMessage) {
  std::tm local{};
  local.tm_year = 2024 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 5;
  local.tm_hour = 14;
  local.tm_min = 7;
  local.tm_sec = 9;
  struct Case {
    std::string message;
    std::string line;
  };
  const Case cases[] = {
      {"VelmoraUpdater", "2024-03-05 14:07:09  VelmoraUpdater\n"},
      {"", "2024-03-05 14:07:09  \n"},
      {"two\nlines", "2024-03-05 14:07:09  two\nlines\n"},
      {"100% %s %n", "2024-03-05 14:07:09  100% %s %n\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(vup::format_log_line(local, c.message), c.line);
  }
}

// Splits the log into lines and checks that each is a time, two spaces and one of
// the expected messages.
std::vector<std::string> messages_of(const std::string& log) {
  std::vector<std::string> messages;
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    // "YYYY-mm-dd HH:MM:SS  "
    const bool shaped = line.size() >= 21 && line[4] == '-' && line[7] == '-' && line[10] == ' ' &&
                        line[13] == ':' && line[16] == ':' && line.compare(19, 2, "  ") == 0;
    EXPECT_TRUE(shaped) << line.substr(0, 40);
    messages.push_back(shaped ? line.substr(21) : line);
  }
  EXPECT_TRUE(log.empty() || log.back() == '\n');
  return messages;
}

class LogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    vup::test::point_log_at(folder_.path());
    fs::create_directories(log_.parent_path());
  }
  vup::test::TempFolder folder_;
  const fs::path log_ = folder_.path() / "VelmoraUpdater" / "updater.log";
  const fs::path previous_ = folder_.path() / "VelmoraUpdater" / "updater.log.1";
};

TEST_F(LogFile, RotatesOnlyAboveTheThreshold) {
  for (const std::size_t size : {std::size_t{524288}, std::size_t{524289}}) {
    SCOPED_TRACE(size);
    const std::string old_log(size, 'x');
    write_bytes(log_, old_log);
    write_bytes(previous_, "an older generation\n");
    ASSERT_EQ(run_helper("log_helper", {"open", "write", "VelmoraUpdater"}), 0);
    const std::string log = read_bytes(log_);
    if (size > vup::log_rotation_threshold) {
      EXPECT_EQ(read_bytes(previous_), old_log);
      EXPECT_EQ(messages_of(log), std::vector<std::string>{"VelmoraUpdater"});
    } else {
      EXPECT_EQ(read_bytes(previous_), "an older generation\n");
      ASSERT_GT(log.size(), size);
      EXPECT_EQ(log.substr(0, size), old_log);
      EXPECT_EQ(messages_of(log.substr(size)), std::vector<std::string>{"VelmoraUpdater"});
    }
  }
}

TEST_F(LogFile, LaterOpeningsKeepTheFirstStream) {
  // The log passes the threshold during the first run; the second run of the same
  // process neither rotates nor reopens it.
  ASSERT_EQ(run_helper("log_helper", {"open", "write", "first run", "fill", "6000", "open", "write", "second run"}),
            0);
  EXPECT_FALSE(fs::exists(previous_));
  const auto messages = messages_of(read_bytes(log_));
  ASSERT_EQ(messages.size(), 6002u);
  EXPECT_EQ(messages.front(), "first run");
  EXPECT_EQ(messages.back(), "second run");

  // The next process rotates it.
  ASSERT_EQ(run_helper("log_helper", {"open", "write", "next start"}), 0);
  EXPECT_EQ(messages_of(read_bytes(log_)), std::vector<std::string>{"next start"});
  EXPECT_EQ(messages_of(read_bytes(previous_)).back(), "second run");
}

TEST_F(LogFile, LinesFromTwoThreadsStayWhole) {
  ASSERT_EQ(run_helper("log_helper", {"open", "threads", "3000"}), 0);
  int a = 0;
  int b = 0;
  for (const auto& message : messages_of(read_bytes(log_))) {
    if (message == std::string(300, 'A')) {
      ++a;
    } else if (message == std::string(300, 'B')) {
      ++b;
    } else {
      ADD_FAILURE() << "mixed line: " << message.substr(0, 80);
    }
  }
  EXPECT_EQ(a, 3000);
  EXPECT_EQ(b, 3000);
}

TEST_F(LogFile, AClosedLogIsFreeForTheNextProcess) {
  // A program handing over to a copy closes its log; lines after that go nowhere,
  // and a line being written as it closes is whole or absent.
  ASSERT_EQ(run_helper("log_helper", {"open", "write", "handing over", "close", "write", "lost", "probe"}), 10);
  EXPECT_EQ(messages_of(read_bytes(log_)), std::vector<std::string>{"handing over"});
  ASSERT_EQ(run_helper("log_helper", {"open", "close-while", "20000", "open", "write", "reopened"}), 0);
  const auto messages = messages_of(read_bytes(log_));
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), "reopened");
  for (std::size_t i = 1; i + 1 < messages.size(); ++i) EXPECT_EQ(messages[i], std::string(300, 'C'));
}

TEST_F(LogFile, NothingHappensWithoutAnOpening) {
  ASSERT_EQ(run_helper("log_helper", {"write", "lost"}), 0);
  EXPECT_FALSE(fs::exists(log_));
}

}  // namespace
