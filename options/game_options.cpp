#include "options/game_options.h"

namespace vup {
namespace {

constexpr WindowSize sizes[window_size_count] = {{800, 600}, {1024, 768}, {1366, 768}, {1600, 900}, {1920, 1080}};

const char* on_off(bool on) { return on ? "1" : "0"; }

}  // namespace

int clamp_size_index(int index) { return index >= 0 && index < window_size_count ? index : 0; }

WindowSize window_size(int index) { return sizes[clamp_size_index(index)]; }

GameOptions options_from_values(const OptionsValues& values) {
  GameOptions options;
  options.music = values.music != 0;
  options.effects = values.effects != 0;
  options.intro = values.intro == 1;
  options.size_index = 0;
  if (values.largescreen == 1) {
    // Only the sizes of the table's upper rows are told apart; any other size the
    // game can show large is the smallest large one.
    options.size_index = 1;
    for (int index = 2; index < window_size_count; ++index) {
      if (values.width == sizes[index].width && values.height == sizes[index].height) options.size_index = index;
    }
  }
  return options;
}

std::vector<OptionsEntry> options_entries(const GameOptions& options) {
  const int index = clamp_size_index(options.size_index);
  std::vector<OptionsEntry> entries = {
      {"launcher", "music", on_off(options.music)},
      {"launcher", "effects", on_off(options.effects)},
      {"launcher", "intro", on_off(options.intro)},
      {"launcher", "largescreen", on_off(index != 0)},
  };
  if (index != 0) {
    entries.push_back({"screen", "width", std::to_string(sizes[index].width)});
    entries.push_back({"screen", "height", std::to_string(sizes[index].height)});
  }
  return entries;
}

}  // namespace vup
