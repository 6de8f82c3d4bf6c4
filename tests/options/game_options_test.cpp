#include "options/game_options.h"

#include <gtest/gtest.h>

namespace {

using vup::GameOptions;
using vup::OptionsValues;

std::string entries_text(const GameOptions& options) {
  std::string text;
  for (const auto& entry : vup::options_entries(options)) text += entry.section + "/" + entry.key + "=" + entry.value + " ";
  return text;
}

TEST(GameOptions, ValuesReadBecomeOptions) {
  struct Case {
    const char* name;
    OptionsValues values;
    int size_index;
    bool music, effects, intro;
  };
  // Fields: height, width, largescreen, intro, effects, music.
  const Case cases[] = {
      {"nothing in the file", {0, 0, -1, -1, -1, -1}, 0, true, true, false},
      {"all off", {0, 0, 0, 0, 0, 0}, 0, false, false, false},
      {"intro 1 is on", {0, 0, -1, 1, -1, -1}, 0, true, true, true},
      {"intro 2 is off, music 2 is on", {0, 0, -1, 2, -1, 2}, 0, true, true, false},
      {"negative effects are on", {0, 0, -1, -1, -5, -1}, 0, true, true, false},
      {"largescreen 1 with 1024 x 768", {768, 1024, 1, -1, -1, -1}, 1, true, true, false},
      {"largescreen 1 with an unknown size", {720, 1280, 1, -1, -1, -1}, 1, true, true, false},
      {"largescreen 1 without a size", {0, 0, 1, -1, -1, -1}, 1, true, true, false},
      {"largescreen 1 with 1366 x 768", {768, 1366, 1, -1, -1, -1}, 2, true, true, false},
      {"largescreen 1 with 1600 x 900", {900, 1600, 1, -1, -1, -1}, 3, true, true, false},
      {"largescreen 1 with 1920 x 1080", {1080, 1920, 1, -1, -1, -1}, 4, true, true, false},
      {"width and height swapped", {1920, 1080, 1, -1, -1, -1}, 1, true, true, false},
      {"largescreen 0 ignores the size", {1080, 1920, 0, -1, -1, -1}, 0, true, true, false},
      {"largescreen 2 ignores the size", {1080, 1920, 2, -1, -1, -1}, 0, true, true, false},
      {"800 x 600 in [screen] with largescreen 1", {600, 800, 1, -1, -1, -1}, 1, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const GameOptions options = vup::options_from_values(c.values);
    EXPECT_EQ(options.size_index, c.size_index);
    EXPECT_EQ(options.music, c.music);
    EXPECT_EQ(options.effects, c.effects);
    EXPECT_EQ(options.intro, c.intro);
  }
}

TEST(GameOptions, EntriesAreWrittenInOrderAndTheSizeOnlyWhenLarge) {
  struct Case {
    GameOptions options;
    const char* entries;
  };
  const Case cases[] = {
      {{0, true, true, false},
       "launcher/music=1 launcher/effects=1 launcher/intro=0 launcher/largescreen=0 "},
      {{2, false, true, true},
       "launcher/music=0 launcher/effects=1 launcher/intro=1 launcher/largescreen=1 screen/width=1366 "
       "screen/height=768 "},
      {{1, true, false, false},
       "launcher/music=1 launcher/effects=0 launcher/intro=0 launcher/largescreen=1 screen/width=1024 "
       "screen/height=768 "},
      {{4, true, true, false},
       "launcher/music=1 launcher/effects=1 launcher/intro=0 launcher/largescreen=1 screen/width=1920 "
       "screen/height=1080 "},
      // An index outside the table counts as 800 x 600.
      {{5, true, true, false}, "launcher/music=1 launcher/effects=1 launcher/intro=0 launcher/largescreen=0 "},
      {{-1, true, true, false}, "launcher/music=1 launcher/effects=1 launcher/intro=0 launcher/largescreen=0 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.size_index);
    EXPECT_EQ(entries_text(c.options), c.entries);
  }
}

TEST(GameOptions, WrittenOptionsReadBackTheSame) {
  // What a save writes must read back as the same options, for every size.
  for (int index = 0; index < vup::window_size_count; ++index) {
    for (int bits = 0; bits < 8; ++bits) {
      const GameOptions written{index, (bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
      OptionsValues values;
      for (const auto& entry : vup::options_entries(written)) {
        const int number = std::stoi(entry.value);
        if (entry.key == "music") values.music = number;
        if (entry.key == "effects") values.effects = number;
        if (entry.key == "intro") values.intro = number;
        if (entry.key == "largescreen") values.largescreen = number;
        if (entry.key == "width") values.width = number;
        if (entry.key == "height") values.height = number;
      }
      const GameOptions read = vup::options_from_values(values);
      SCOPED_TRACE(entries_text(written));
      EXPECT_EQ(read.size_index, written.size_index);
      EXPECT_EQ(read.music, written.music);
      EXPECT_EQ(read.effects, written.effects);
      EXPECT_EQ(read.intro, written.intro);
    }
  }
}

TEST(GameOptions, WindowSizeTableClampsItsIndex) {
  EXPECT_EQ(vup::window_size(2).width, 1366);
  EXPECT_EQ(vup::window_size(2).height, 768);
  EXPECT_EQ(vup::window_size(5).width, 800);
  EXPECT_EQ(vup::window_size(-1).height, 600);
}

}  // namespace
