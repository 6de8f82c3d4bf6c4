// The four game options the updater sets, and how they map to the game's options
// file "quillfen.ini": what is read with which default, and what is written in
// which order.
#pragma once

#include <string>
#include <vector>

#include "base/constants.h"  // options_file_name

namespace vup {

struct GameOptions {
  int size_index = 0;  // into the window size table; outside 0..4 counts as 0
  bool music = true;
  bool effects = true;
  bool intro = false;
};

struct WindowSize {
  int width = 800;
  int height = 600;
};

inline constexpr int window_size_count = 5;

// The game's window size for `index` (800 x 600, 1024 x 768, 1366 x 768,
// 1600 x 900, 1920 x 1080); an index outside 0..4 gives 800 x 600.
[[nodiscard]] WindowSize window_size(int index);
// `index` when it is 0..4, else 0.
[[nodiscard]] int clamp_size_index(int index);

// One integer the updater reads from the options file, with its default.
struct OptionsKey {
  const char* section;
  const char* key;
  int default_value;
};

// The keys in the order they are read: screen/height, screen/width,
// launcher/largescreen, launcher/intro, launcher/effects, launcher/music.
inline constexpr OptionsKey options_read_keys[6] = {
    {"screen", "height", 0},       {"screen", "width", 0},         {"launcher", "largescreen", -1},
    {"launcher", "intro", -1},     {"launcher", "effects", -1},    {"launcher", "music", -1},
};

// The values read for options_read_keys, in the same order.
struct OptionsValues {
  int height = 0;
  int width = 0;
  int largescreen = -1;
  int intro = -1;
  int effects = -1;
  int music = -1;
};

// Music and effects are on unless 0, the intro only when 1; the size comes from
// [screen] only when largescreen is 1, and an unknown size there is 1024 x 768.
[[nodiscard]] GameOptions options_from_values(const OptionsValues& values);

struct OptionsEntry {
  std::string section;
  std::string key;
  std::string value;
};

// What a save writes, in order: launcher/music, effects, intro, largescreen, then
// screen/width and height only for a size other than 800 x 600 (so choosing
// 800 x 600 leaves the file's width and height alone).
[[nodiscard]] std::vector<OptionsEntry> options_entries(const GameOptions& options);

}  // namespace vup
