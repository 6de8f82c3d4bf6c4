#include "ui/controls.h"

namespace vup {

const char* state_word(const PointerState& pointer, Control control) {
  if (pointer.pressed == control) return pointer.hovered == control ? "pressed" : "hover";
  return pointer.hovered == control ? "hover" : "normal";
}

}  // namespace vup
