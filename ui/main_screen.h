// The main screen: background, window buttons, status plate, progress bar,
// detail line, the main button and the footer. The options screen takes the
// middle's place while it is open.
#pragma once

#include <cstdint>
#include <string>

#include "ui/canvas.h"
#include "ui/screen_model.h"

namespace vup {

inline constexpr char launcher_version[] = "1.1";

void draw_main_screen(Canvas& canvas, const ScreenModel& model);

// The control at (x, y) DIPs, or Control::none: the pointer then drags the window.
[[nodiscard]] Control hit_test_main_screen(const ScreenModel& model, float x, float y);

// The footer line for the model.
[[nodiscard]] std::string footer_text(const ScreenModel& model);

// "7 Mar 2026" for a Unix time in UTC; empty when it has no four-digit year.
[[nodiscard]] std::string utc_date_text(std::int64_t unix_seconds);

}  // namespace vup
