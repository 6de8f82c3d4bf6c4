#include "ui/options_screen.h"

#include "options/game_options.h"
#include "ui/control_art.h"

namespace vup {
namespace {

void draw_switch(Canvas& canvas, bool on, Control control, const PointerState& pointer, float y) {
  const bool lit = pointer.hovered == control || pointer.pressed == control;
  std::string name = on ? "switch_on_" : "switch_off_";
  name += lit ? "hover" : "normal";
  canvas.draw_art(name, {514, y, 514 + 96, y + 28}, 1);
}

}  // namespace

std::string window_size_text(int size_index) {
  const WindowSize size = window_size(size_index);
  return std::to_string(size.width) + " x " + std::to_string(size.height);
}

void draw_options_panel(Canvas& canvas, const ScreenModel& model) {
  // Darkens the main screen behind the panel.
  canvas.fill_rounded_rect({154, 294, 646, 568}, 10, 10, rgb(33, 27, 24, 0.92f));
  canvas.draw_art("board", {150, 290, 650, 572}, 1);
  canvas.draw_art("title", {298, 300, 502, 340}, 1);
  canvas.draw_text("Options", TextStyle{FontKind::semibold, 19, rgb(242, 210, 182), rgb(228, 192, 160), true, false, 0},
                   {298, 300, 204, 40});

  const TextStyle label{FontKind::regular, 15, rgb(246, 236, 214), rgb(226, 212, 186), false, false, 0};
  static constexpr struct {
    const char* text;
    float centre;
  } rows[] = {{"Window size", 371}, {"Music", 416}, {"Sound effects", 461}, {"Harlo and Tamsk intro", 506}};
  for (const auto& row : rows) canvas.draw_text(row.text, label, {190, row.centre - 12, 220, 24});

  const PointerState& pointer = model.pointer;
  draw_control_art(canvas, "arrow", Control::size_previous, pointer, {420, 357, 28, 28});
  draw_control_art(canvas, "arrow_right", Control::size_next, pointer, {582, 357, 28, 28});
  canvas.draw_art("value", {452, 357, 578, 385}, 1);
  canvas.draw_text(window_size_text(model.options.size_index),
                   TextStyle{FontKind::regular, 14, rgb(246, 236, 214), rgb(226, 212, 186), true, false, 0},
                   {452, 357, 126, 28});

  draw_switch(canvas, model.options.music, Control::music, pointer, 402);
  draw_switch(canvas, model.options.effects, Control::effects, pointer, 447);
  draw_switch(canvas, model.options.intro, Control::intro, pointer, 492);
  draw_control_art(canvas, "back", Control::back, pointer, {355, 532, 90, 30});
}

Control hit_test_options_panel(float x, float y) {
  if (contains({420, 357, 448, 385}, x, y)) return Control::size_previous;
  if (contains({582, 357, 610, 385}, x, y)) return Control::size_next;
  if (contains({514, 402, 610, 430}, x, y)) return Control::music;
  if (contains({514, 447, 610, 475}, x, y)) return Control::effects;
  if (contains({514, 492, 610, 520}, x, y)) return Control::intro;
  if (contains({355, 532, 445, 562}, x, y)) return Control::back;
  return Control::none;
}

}  // namespace vup
