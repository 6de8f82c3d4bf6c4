#include "options/options_store.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/fake_options_file.h"

namespace {

using vup::GameOptions;
using vup::test::FakeOptionsFile;
using vup::OptionsStore;

struct Fixture {
  FakeOptionsFile file;
  std::vector<std::string> log;
  OptionsStore store{file, [this](std::string_view line) { log.emplace_back(line); }};
};

std::vector<std::string> writes_of(const GameOptions& options) {
  std::vector<std::string> calls;
  for (const auto& entry : vup::options_entries(options)) {
    calls.push_back("write " + entry.section + "/" + entry.key + "=" + entry.value);
  }
  calls.push_back("flush");
  return calls;
}

TEST(OptionsStore, ReadsTheSixKeysInOrderOnceWithTheirDefaults) {
  Fixture f;
  f.file.present = true;
  f.file.values = {{"launcher/music", 0}, {"launcher/largescreen", 1}, {"screen/width", 1600}, {"screen/height", 900}};
  f.store.read();
  EXPECT_EQ(f.file.calls, (std::vector<std::string>{
                              "read screen/height 0", "read screen/width 0", "read launcher/largescreen -1",
                              "read launcher/intro -1", "read launcher/effects -1", "read launcher/music -1"}));
  EXPECT_EQ(f.store.options().size_index, 3);
  EXPECT_FALSE(f.store.options().music);
  EXPECT_TRUE(f.store.options().effects);
  EXPECT_FALSE(f.store.options().intro);
  EXPECT_TRUE(f.store.writable());
  EXPECT_FALSE(f.store.pending());
}

TEST(OptionsStore, ChangesAreHeldUntilTheInstallingRunSucceeded) {
  Fixture f;
  f.store.read();
  ASSERT_FALSE(f.store.writable());
  f.file.calls.clear();

  GameOptions options = f.store.options();
  options.music = false;
  f.store.change(options);
  options.size_index = 2;
  f.store.change(options);
  EXPECT_TRUE(f.store.pending());
  EXPECT_TRUE(f.file.calls.empty()) << "nothing may be written before the game is installed";
  EXPECT_EQ(f.store.options().size_index, 2);

  f.store.after_successful_update();
  EXPECT_EQ(f.file.calls, writes_of(options)) << "the latest values, once";
  EXPECT_FALSE(f.store.pending());
  EXPECT_TRUE(f.store.writable());

  // From now on every change is written at once.
  f.file.calls.clear();
  options.intro = true;
  f.store.change(options);
  EXPECT_EQ(f.file.calls, writes_of(options));
  EXPECT_FALSE(f.store.pending());
  EXPECT_TRUE(f.log.empty());
}

TEST(OptionsStore, WritesAtOnceWhileWritableAndNothingAfterAnUpdateWithoutChanges) {
  Fixture f;
  f.file.present = true;
  f.store.read();
  f.file.calls.clear();
  f.store.after_successful_update();
  EXPECT_TRUE(f.file.calls.empty());

  GameOptions options = f.store.options();
  options.size_index = 0;  // the previous-arrow at 800 x 600 still saves
  f.store.change(options);
  EXPECT_EQ(f.file.calls, writes_of(options));
}

TEST(OptionsStore, AFailedWriteStopsAtThatEntryAndIsLoggedEveryTime) {
  Fixture f;
  f.file.present = true;
  f.file.fail_at_write = 3;
  f.store.read();
  f.file.calls.clear();

  GameOptions options = f.store.options();
  options.size_index = 4;
  f.store.change(options);
  EXPECT_EQ(f.file.calls, (std::vector<std::string>{"write launcher/music=1", "write launcher/effects=1",
                                                     "write launcher/intro=0"}))
      << "no entry after the failed one and no flush";
  EXPECT_EQ(f.log, (std::vector<std::string>{"options: could not write quillfen.ini (error 32)"}));
  EXPECT_EQ(f.store.options().size_index, 4) << "the screen keeps the new values";
  EXPECT_FALSE(f.store.pending());

  // The next change tries again, and logs again.
  f.file.fail_at_write = f.file.writes_tried + 1;
  f.file.fail_code = 5;
  options.music = false;
  f.store.change(options);
  EXPECT_EQ(f.log.size(), 2u);
  EXPECT_EQ(f.log.back(), "options: could not write quillfen.ini (error 5)");
}

TEST(OptionsStore, AFailedWriteOfHeldChangesIsLoggedAndNotHeldAgain) {
  Fixture f;
  f.file.fail_at_write = 1;
  f.store.read();
  GameOptions options = f.store.options();
  options.effects = false;
  f.store.change(options);
  f.store.after_successful_update();
  EXPECT_EQ(f.log, (std::vector<std::string>{"options: could not write quillfen.ini (error 32)"}));
  EXPECT_FALSE(f.store.pending());
  EXPECT_TRUE(f.store.writable());
}

}  // namespace
