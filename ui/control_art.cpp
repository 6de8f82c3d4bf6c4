#include "ui/control_art.h"

#include <string>

namespace vup {

void draw_control_art(Canvas& canvas, std::string_view base, Control control, const PointerState& pointer,
                      const BoxF& box) {
  std::string name(base);
  name += '_';
  name += state_word(pointer, control);
  canvas.draw_art(name, {box.x, box.y, box.x + box.width, box.y + box.height}, 1);
}

}  // namespace vup
