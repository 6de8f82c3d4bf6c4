// The game's options that the options screen sets.
#pragma once

namespace vup {

struct WindowSize {
  int width = 800;
  int height = 600;
};

// The game's window size for a size index: 800 x 600, 1024 x 768, 1366 x 768,
// 1600 x 900, 1920 x 1080; an index outside 0..4 counts as 0.
[[nodiscard]] WindowSize window_size(int index);

}  // namespace vup
