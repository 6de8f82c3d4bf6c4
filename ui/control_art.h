// Art of a control in its current state: base + "_" + state word.
#pragma once

#include <string_view>

#include "ui/canvas.h"
#include "ui/controls.h"

namespace vup {

void draw_control_art(Canvas& canvas, std::string_view base, Control control, const PointerState& pointer,
                      const BoxF& box);

}  // namespace vup
