#include "ui/main_screen.h"

#include <gtest/gtest.h>

#include "tests/support/recording_canvas.h"
#include "ui/options_screen.h"

namespace vup {
namespace {

using test::DrawCall;
using test::RecordingCanvas;

ScreenState in_phase(Phase phase) {
  ScreenState s;
  s.phase = phase;
  return s;
}

RecordingCanvas draw(const ScreenState& state, PointerState pointer = {}, OptionsPanelModel options = {}) {
  RecordingCanvas canvas;
  draw_main_screen(canvas, ScreenModel{state, pointer, options});
  return canvas;
}

void expect_rect(const RectF& r, float left, float top, float right, float bottom) {
  EXPECT_FLOAT_EQ(r.left, left);
  EXPECT_FLOAT_EQ(r.top, top);
  EXPECT_FLOAT_EQ(r.right, right);
  EXPECT_FLOAT_EQ(r.bottom, bottom);
}

void expect_box(const BoxF& b, float x, float y, float width, float height) {
  EXPECT_FLOAT_EQ(b.x, x);
  EXPECT_FLOAT_EQ(b.y, y);
  EXPECT_FLOAT_EQ(b.width, width);
  EXPECT_FLOAT_EQ(b.height, height);
}

void expect_color(const ColorF& c, int r, int g, int b) {
  EXPECT_FLOAT_EQ(c.r, r / 255.0f);
  EXPECT_FLOAT_EQ(c.g, g / 255.0f);
  EXPECT_FLOAT_EQ(c.b, b / 255.0f);
  EXPECT_FLOAT_EQ(c.a, 1.0f);
}

TEST(MainScreenTest, ArtAndTextInDrawingOrder) {
  ScreenState s = in_phase(Phase::ready);
  s.status = "Ready.";
  s.detail = "The game files are up to date";
  s.progress = 1;
  const RecordingCanvas canvas = draw(s, PointerState{Control::main_button, Control::none});
  EXPECT_EQ(canvas.art(), (std::vector<std::string>{"bg", "min_normal", "close_normal", "options_normal", "plate",
                                                    "track", "fill", "play_hover"}));
  expect_rect(canvas.find_art("bg")->rect, 0, 0, 800, 600);
  expect_rect(canvas.find_art("min_normal")->rect, 666, 40, 710, 86);
  expect_rect(canvas.find_art("close_normal")->rect, 720, 40, 764, 86);
  expect_rect(canvas.find_art("options_normal")->rect, 730, 531, 788, 589);
  expect_rect(canvas.find_art("plate")->rect, 233, 375, 567, 418);
  expect_rect(canvas.find_art("track")->rect, 101, 430, 699, 458);
  expect_rect(canvas.find_art("fill")->rect, 106, 435, 694, 453);
  expect_rect(canvas.find_art("play_hover")->rect, 297, 492, 503, 567);

  const auto texts = canvas.texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0]->name, "Ready.");
  expect_box(texts[0]->box, 243, 375, 314, 40);
  EXPECT_EQ(texts[0]->style.font, FontKind::regular);
  EXPECT_FLOAT_EQ(texts[0]->style.size, 23);
  EXPECT_FLOAT_EQ(texts[0]->style.min_size, 13);
  EXPECT_TRUE(texts[0]->style.centred);
  EXPECT_FALSE(texts[0]->style.wrap);
  expect_color(texts[0]->style.top, 255, 238, 205);
  expect_color(texts[0]->style.bottom, 246, 210, 150);

  EXPECT_EQ(texts[1]->name, "The game files are up to date");
  EXPECT_EQ(texts[2]->name, "Play");
  EXPECT_EQ(texts[2]->style.font, FontKind::display);
  EXPECT_FLOAT_EQ(texts[2]->style.size, 36);
  EXPECT_FLOAT_EQ(texts[2]->style.min_size, 0);
  expect_box(texts[2]->box, 297, 489, 206, 75);
  expect_color(texts[2]->style.top, 255, 240, 190);
  expect_color(texts[2]->style.bottom, 255, 222, 140);

  EXPECT_EQ(texts[3]->name, "Launcher 1.1");
  expect_box(texts[3]->box, 12, 578, 420, 18);
  EXPECT_FALSE(texts[3]->style.centred);
  EXPECT_FLOAT_EQ(texts[3]->style.size, 11);
  expect_color(texts[3]->style.top, 232, 222, 200);
}

TEST(MainScreenTest, FillIsSqueezedToTheProgressAndAbsentAtZero) {
  struct Case {
    double progress;
    bool drawn;
    float right;
  } cases[] = {{0, false, 0}, {0.5, true, 400}, {1, true, 694}, {0.01, true, 111.88f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.progress);
    ScreenState s;
    s.progress = c.progress;
    const RecordingCanvas canvas = draw(s);
    const DrawCall* fill = canvas.find_art("fill");
    ASSERT_EQ(fill != nullptr, c.drawn);
    if (fill) expect_rect(fill->rect, 106, 435, c.right, 453);
  }
}

TEST(MainScreenTest, DetailLineBoxWrapAndColours) {
  struct Case {
    std::size_t length;
    bool error;
    float height;
    bool wrap;
    int top_r, top_g, top_b;
  } cases[] = {
      {80, false, 20, false, 240, 228, 205},
      {81, false, 31, true, 240, 228, 205},
      {10, true, 31, true, 255, 196, 150},
      {200, true, 31, true, 255, 196, 150},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    ScreenState s = in_phase(c.error ? Phase::failed : Phase::updating);
    s.detail.assign(c.length, 'x');
    s.error = c.error;
    const RecordingCanvas canvas = draw(s);
    const DrawCall* detail = canvas.texts()[1];
    EXPECT_EQ(detail->name, s.detail);
    expect_box(detail->box, 100, 461, 600, c.height);
    EXPECT_EQ(detail->style.wrap, c.wrap);
    EXPECT_TRUE(detail->style.centred);
    EXPECT_FLOAT_EQ(detail->style.size, 13);
    EXPECT_FLOAT_EQ(detail->style.min_size, 11);
    expect_color(detail->style.top, c.top_r, c.top_g, c.top_b);
    if (c.error) {
      expect_color(detail->style.bottom, 240, 170, 120);
    } else {
      expect_color(detail->style.bottom, 222, 205, 172);
    }
  }
}

TEST(MainScreenTest, MainButtonArtCaptionAndSink) {
  struct Case {
    Phase phase;
    PointerState pointer;
    const char* art;
    const char* caption;
    float caption_y;
    bool grey;
  } cases[] = {
      {Phase::ready, {Control::none, Control::none}, "play_normal", "Play", 489, false},
      {Phase::ready, {Control::main_button, Control::main_button}, "play_pressed", "Play", 490, false},
      // Held, pointer moved off: hover art, caption back in place.
      {Phase::ready, {Control::none, Control::main_button}, "play_hover", "Play", 489, false},
      {Phase::failed, {Control::main_button, Control::none}, "play_hover", "Retry", 489, false},
      {Phase::confirm_install, {}, "play_normal", "Install", 489, false},
      {Phase::updating, {Control::main_button, Control::main_button}, "play_disabled", "Play", 490, true},
      {Phase::starting, {}, "play_disabled", "Play", 489, true},
      {Phase::closing, {}, "play_disabled", "Play", 489, true},
      {Phase::started, {}, "play_disabled", "Play", 489, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.art);
    const RecordingCanvas canvas = draw(in_phase(c.phase), c.pointer);
    EXPECT_EQ(canvas.art().back(), c.art);
    const DrawCall* caption = canvas.texts()[2];
    EXPECT_EQ(caption->name, c.caption);
    EXPECT_FLOAT_EQ(caption->box.y, c.caption_y);
    if (c.grey) {
      expect_color(caption->style.top, 200, 196, 186);
      expect_color(caption->style.bottom, 170, 166, 158);
    } else {
      expect_color(caption->style.top, 255, 240, 190);
    }
  }
}

TEST(MainScreenTest, FooterText) {
  struct Case {
    Phase phase;
    std::int64_t files_date;
    bool options_open;
    bool pending;
    const char* footer;
  } cases[] = {
      {Phase::ready, 0, false, false, "Launcher 1.1"},
      {Phase::ready, 1577836799, false, false, "Launcher 1.1"},
      {Phase::ready, 1577836800, false, false, "Launcher 1.1 \xC2\xB7 game files of 1 Jan 2020"},
      {Phase::ready, 1772841600, false, false, "Launcher 1.1 \xC2\xB7 game files of 7 Mar 2026"},
      {Phase::ready, 1772927999, false, false, "Launcher 1.1 \xC2\xB7 game files of 7 Mar 2026"},
      {Phase::ready, 1709208000, false, false, "Launcher 1.1 \xC2\xB7 game files of 29 Feb 2024"},
      {Phase::ready, 253402300800, false, false, "Launcher 1.1"},  // year 10000 has no four digits
      {Phase::failed, 1772841600, false, false, "Details: %LOCALAPPDATA%\\VelmoraUpdater\\updater.log"},
      {Phase::updating, 0, true, true, "Your options are saved once the update has finished."},
      {Phase::failed, 0, true, true, "Your options are saved once the update has finished."},
      {Phase::updating, 0, false, true, "Launcher 1.1"},
      {Phase::updating, 0, true, false, "Launcher 1.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.footer);
    ScreenState s = in_phase(c.phase);
    s.files_date = c.files_date;
    s.options_open = c.options_open;
    OptionsPanelModel options;
    options.pending = c.pending;
    const RecordingCanvas canvas = draw(s, {}, options);
    EXPECT_EQ(canvas.texts().back()->name, c.footer);
  }
}

TEST(MainScreenTest, HitTestsAreHalfOpenAndSkipADisabledButton) {
  struct Case {
    Phase phase;
    bool options_open;
    float x, y;
    Control control;
  } cases[] = {
      {Phase::ready, false, 666, 40, Control::minimise},
      {Phase::ready, false, 709.9f, 85.9f, Control::minimise},
      {Phase::ready, false, 710, 60, Control::none},
      {Phase::ready, false, 720, 40, Control::close},
      {Phase::ready, false, 764, 40, Control::none},
      {Phase::ready, false, 730, 531, Control::options},
      {Phase::ready, false, 788, 560, Control::none},
      {Phase::ready, false, 297, 492, Control::main_button},
      {Phase::ready, false, 503, 492, Control::none},
      {Phase::ready, false, 400, 567, Control::none},
      {Phase::failed, false, 400, 530, Control::main_button},
      {Phase::confirm_install, false, 400, 530, Control::main_button},
      {Phase::updating, false, 400, 530, Control::none},
      {Phase::starting, false, 400, 530, Control::none},
      {Phase::ready, true, 400, 530, Control::none},  // the panel hides the main button
      {Phase::ready, true, 420, 357, Control::size_previous},
      {Phase::ready, true, 447.9f, 384.9f, Control::size_previous},
      {Phase::ready, true, 582, 370, Control::size_next},
      {Phase::ready, true, 514, 402, Control::music},
      {Phase::ready, true, 609, 474, Control::effects},
      {Phase::ready, true, 560, 519, Control::intro},
      {Phase::ready, true, 560, 520, Control::none},
      {Phase::ready, true, 355, 532, Control::back},
      {Phase::ready, true, 445, 540, Control::none},
      {Phase::ready, true, 700, 60, Control::minimise},
      {Phase::ready, true, 400, 200, Control::none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    ScreenState s = in_phase(c.phase);
    s.options_open = c.options_open;
    EXPECT_EQ(hit_test_main_screen(ScreenModel{s, {}, {}}, c.x, c.y), c.control);
  }
}

TEST(OptionsScreenTest, PanelReplacesTheMiddle) {
  ScreenState s = in_phase(Phase::ready);
  s.options_open = true;
  OptionsPanelModel options;
  options.size_index = 2;
  options.music = true;
  options.effects = false;
  options.intro = false;
  const RecordingCanvas canvas = draw(s, PointerState{Control::effects, Control::none}, options);
  EXPECT_EQ(canvas.art(), (std::vector<std::string>{"bg", "min_normal", "close_normal", "options_normal", "board",
                                                    "title", "arrow_normal", "arrow_right_normal", "value",
                                                    "switch_on_normal", "switch_off_hover", "switch_off_normal",
                                                    "back_normal"}));
  const DrawCall& dim = canvas.calls[4];
  ASSERT_EQ(dim.kind, DrawCall::rounded_rect);
  expect_rect(dim.rect, 154, 294, 646, 568);
  EXPECT_NEAR(dim.color.r, 0.129412, 1e-6);
  EXPECT_NEAR(dim.color.g, 0.105882, 1e-6);
  EXPECT_NEAR(dim.color.b, 0.094118, 1e-6);
  EXPECT_FLOAT_EQ(dim.color.a, 0.92f);
  expect_rect(canvas.find_art("arrow_normal")->rect, 420, 357, 448, 385);
  expect_rect(canvas.find_art("arrow_right_normal")->rect, 582, 357, 610, 385);
  expect_rect(canvas.find_art("switch_off_hover")->rect, 514, 447, 610, 475);
  expect_rect(canvas.find_art("back_normal")->rect, 355, 532, 445, 562);

  std::vector<std::string> texts;
  for (const DrawCall* t : canvas.texts()) texts.push_back(t->name);
  EXPECT_EQ(texts, (std::vector<std::string>{"Options", "Window size", "Music", "Sound effects",
                                             "Harlo and Tamsk intro", "1366 x 768", "Launcher 1.1"}));
  expect_box(canvas.texts()[4]->box, 190, 494, 220, 24);
  EXPECT_EQ(canvas.texts()[0]->style.font, FontKind::semibold);
}

TEST(OptionsScreenTest, SwitchesLightWhenHoveredOrPressedAndSizesClamp) {
  ScreenState s;
  s.options_open = true;
  OptionsPanelModel options;
  options.intro = true;
  const RecordingCanvas pressed = draw(s, PointerState{Control::none, Control::intro}, options);
  EXPECT_TRUE(pressed.find_art("switch_on_hover"));
  const RecordingCanvas held = draw(s, PointerState{Control::size_next, Control::size_next}, options);
  EXPECT_TRUE(held.find_art("arrow_right_pressed"));

  EXPECT_EQ(window_size_text(0), "800 x 600");
  EXPECT_EQ(window_size_text(4), "1920 x 1080");
  EXPECT_EQ(window_size_text(5), "800 x 600");
  EXPECT_EQ(window_size_text(-1), "800 x 600");
}

}  // namespace
}  // namespace vup
