// Everything the screens read to draw a frame or test a point.
#pragma once

#include "app/screen_state.h"
#include "ui/controls.h"

namespace vup {

// The options screen's values.
struct OptionsPanelModel {
  int size_index = 0;  // into the window-size table; outside 0..4 counts as 0
  bool music = true;
  bool effects = true;
  bool intro = false;
  bool pending = false;  // changes wait for the install to finish
};

struct ScreenModel {
  const ScreenState& state;
  PointerState pointer;
  OptionsPanelModel options;
};

}  // namespace vup
