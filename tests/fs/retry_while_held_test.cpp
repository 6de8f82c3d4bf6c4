// The wait for a file that another program holds, with the move and the pause
// played by the test: the schedule, the stop, and the errors that end it at once.
#include "fs/retry_while_held.h"

#include <atomic>
#include <chrono>
#include <future>
#include <numeric>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using vup::RetriedMove;

constexpr int held = 32;  // what the played move says while the file is held
bool is_held(int error) { return error == held; }

// A move that fails with each code of `errors` in turn, then succeeds; and a
// pause that records what it was asked and says "stopped" at pause `stop_at`.
struct Played {
  explicit Played(std::vector<int> held_errors, int stop_at_pause = -1)
      : errors(std::move(held_errors)), stop_at(stop_at_pause) {}

  std::vector<int> errors;
  int stop_at;
  int attempts = 0;
  std::vector<int> pauses;

  RetriedMove run() {
    return vup::retry_while_held(
        [this] { return attempts < static_cast<int>(errors.size()) ? errors[attempts++] : (++attempts, 0); },
        is_held,
        [this](int milliseconds) {
          pauses.push_back(milliseconds);
          return static_cast<int>(pauses.size()) != stop_at;
        });
  }
  int waited() const { return std::accumulate(pauses.begin(), pauses.end(), 0); }
};

TEST(RetryWhileHeld, ShortHoldsAreWaitedForWithGrowingPauses) {
  const struct {
    int holds;
    std::vector<int> pauses;
  } cases[] = {
      {0, {}},
      {1, {50}},
      {4, {50, 100, 200, 400}},
      {8, {50, 100, 200, 400, 800, 1000, 1000, 1000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.holds) + " holds");
    Played played(std::vector<int>(static_cast<std::size_t>(c.holds), held));
    const RetriedMove moved = played.run();
    EXPECT_EQ(moved.error, 0);
    EXPECT_FALSE(moved.stopped);
    EXPECT_EQ(played.attempts, c.holds + 1);
    EXPECT_EQ(played.pauses, c.pauses);
  }
}

TEST(RetryWhileHeld, AHoldThatLastsEndsAfterTenSecondsWithTheHeldError) {
  Played played(std::vector<int>(1000, held));
  const RetriedMove moved = played.run();
  EXPECT_EQ(moved.error, held);
  EXPECT_FALSE(moved.stopped);
  EXPECT_EQ(played.waited(), vup::held_file_wait_ms);
  // Growing to a second each; the last is what remains of the ten seconds.
  for (std::size_t i = 0; i < played.pauses.size(); ++i) {
    EXPECT_LE(played.pauses[i], vup::longest_held_pause_ms);
    if (i + 2 < played.pauses.size()) {
      EXPECT_LE(played.pauses[i], played.pauses[i + 1]) << i;
    }
  }
  EXPECT_EQ(played.attempts, static_cast<int>(played.pauses.size()) + 1) << "one last try after the last pause";
}

TEST(RetryWhileHeld, OtherErrorsAndStopsEndTheWaitAtOnce) {
  const struct {
    const char* name;
    std::vector<int> errors;
    int stop_at;
    RetriedMove expected;
    int attempts;
  } cases[] = {
      {"not a hold", {3}, -1, {3, false}, 1},
      {"held, then another error", {held, held, 5}, -1, {5, false}, 3},
      {"stopped in the first pause", {held, held}, 1, {held, true}, 1},
      {"stopped in the third pause", {held, held, held, held}, 3, {held, true}, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Played played(c.errors, c.stop_at);
    const RetriedMove moved = played.run();
    EXPECT_EQ(moved.error, c.expected.error);
    EXPECT_EQ(moved.stopped, c.expected.stopped);
    EXPECT_EQ(played.attempts, c.attempts);
  }
}

TEST(PauseUnlessStopped, EndsSoonAfterTheStopFlagIsSet) {
  std::atomic<bool> stop{false};
  EXPECT_TRUE(vup::pause_unless_stopped(30, &stop));
  EXPECT_TRUE(vup::pause_unless_stopped(30, nullptr));
  auto pausing = std::async(std::launch::async, [&] { return vup::pause_unless_stopped(600000, &stop); });
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  stop = true;
  ASSERT_EQ(pausing.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the stop flag was not read";
  EXPECT_FALSE(pausing.get());
  EXPECT_FALSE(vup::pause_unless_stopped(1000, &stop));
}

}  // namespace
