// The options panel: window size, music, sound effects and intro, drawn over the
// middle of the main screen.
#pragma once

#include <string>

#include "ui/canvas.h"
#include "ui/screen_model.h"

namespace vup {

void draw_options_panel(Canvas& canvas, const ScreenModel& model);

// The panel's control at (x, y) DIPs, or Control::none.
[[nodiscard]] Control hit_test_options_panel(float x, float y);

// "1366 x 768" for a size index (outside 0..4 counts as 0).
[[nodiscard]] std::string window_size_text(int size_index);

}  // namespace vup
