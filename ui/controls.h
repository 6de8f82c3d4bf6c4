// The window's controls and the pointer state that decides how each is drawn.
#pragma once

namespace vup {

enum class Control : int {
  none = 0,
  main_button = 1,  // Install / Play / Retry
  minimise = 2,
  close = 3,
  options = 4,      // opens and closes the options screen
  size_previous = 5,
  size_next = 6,
  music = 7,
  effects = 8,
  intro = 9,
  back = 10,
};

struct PointerState {
  Control hovered = Control::none;  // under the pointer
  Control pressed = Control::none;  // the left button went down on it and is still down
};

// "pressed" while the control is held with the pointer on it, "hover" when it is
// held with the pointer elsewhere or merely hovered, else "normal".
[[nodiscard]] const char* state_word(const PointerState& pointer, Control control);

}  // namespace vup
