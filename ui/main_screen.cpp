#include "ui/main_screen.h"

#include "ui/control_art.h"
#include "ui/options_screen.h"

namespace vup {
namespace {

constexpr std::int64_t last_second_of_2019 = 1577836799;

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civil_from_days(std::int64_t days, std::int64_t& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t day_of_era = days - era * 146097;
  const std::int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;
  day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
}

void draw_status_middle(Canvas& canvas, const ScreenModel& model) {
  const ScreenState& state = model.state;
  canvas.draw_art("plate", {233, 375, 567, 418}, 1);
  canvas.draw_text(state.status,
                   TextStyle{FontKind::regular, 23, rgb(255, 238, 205), rgb(246, 210, 150), true, false, 13},
                   {243, 375, 314, 40});

  canvas.draw_art("track", {101, 430, 699, 458}, 1);
  if (state.progress > 0) {
    // Squeezed to the progress, not clipped.
    canvas.draw_art("fill", {106, 435, 106 + 588 * static_cast<float>(state.progress), 453}, 1);
  }

  const BoxF tall{100, 461, 600, 31};
  if (state.error) {
    canvas.draw_text(state.detail,
                     TextStyle{FontKind::regular, 13, rgb(255, 196, 150), rgb(240, 170, 120), true, true, 11}, tall);
  } else {
    const bool long_detail = state.detail.size() > 80;
    canvas.draw_text(state.detail,
                     TextStyle{FontKind::regular, 13, rgb(240, 228, 205), rgb(222, 205, 172), true, long_detail, 11},
                     long_detail ? tall : BoxF{100, 461, 600, 20});
  }

  const bool enabled = button_enabled(state.phase);
  std::string art = "play_";
  art += enabled ? state_word(model.pointer, Control::main_button) : "disabled";
  canvas.draw_art(art, {297, 492, 503, 567}, 1);
  const bool held = model.pointer.pressed == Control::main_button && model.pointer.hovered == Control::main_button;
  const float sink = held ? 1.0f : 0.0f;
  const TextStyle caption = enabled
                                ? TextStyle{FontKind::display, 36, rgb(255, 240, 190), rgb(255, 222, 140), true, false, 0}
                                : TextStyle{FontKind::display, 36, rgb(200, 196, 186), rgb(170, 166, 158), true, false, 0};
  canvas.draw_text(button_caption(state.phase), caption, {297, 489 + sink, 206, 75});
}

}  // namespace

std::string utc_date_text(std::int64_t unix_seconds) {
  static constexpr const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::int64_t days = unix_seconds / 86400 - (unix_seconds % 86400 < 0 ? 1 : 0);
  std::int64_t year = 0;
  int month = 0;
  int day = 0;
  civil_from_days(days, year, month, day);
  if (year < 1000 || year > 9999) return {};
  return std::to_string(day) + " " + months[month - 1] + " " + std::to_string(year);
}

std::string footer_text(const ScreenModel& model) {
  if (model.state.options_open && model.options.pending) return "Your options are saved once the update has finished.";
  if (model.state.phase == Phase::failed) return "Details: %LOCALAPPDATA%\\VelmoraUpdater\\updater.log";
  std::string footer = std::string("Launcher ") + launcher_version;
  if (model.state.files_date > last_second_of_2019) {
    const std::string date = utc_date_text(model.state.files_date);
    if (!date.empty()) footer += " \xC2\xB7 game files of " + date;
  }
  return footer;
}

void draw_main_screen(Canvas& canvas, const ScreenModel& model) {
  canvas.draw_art("bg", {0, 0, 800, 600}, 1);
  draw_control_art(canvas, "min", Control::minimise, model.pointer, {666, 40, 44, 46});
  draw_control_art(canvas, "close", Control::close, model.pointer, {720, 40, 44, 46});
  draw_control_art(canvas, "options", Control::options, model.pointer, {730, 531, 58, 58});

  if (model.state.options_open) {
    draw_options_panel(canvas, model);
  } else {
    draw_status_middle(canvas, model);
  }

  canvas.draw_text(footer_text(model),
                   TextStyle{FontKind::regular, 11, rgb(232, 222, 200), rgb(214, 200, 172), false, false, 0},
                   {12, 578, 420, 18});
}

Control hit_test_main_screen(const ScreenModel& model, float x, float y) {
  if (contains({666, 40, 710, 86}, x, y)) return Control::minimise;
  if (contains({720, 40, 764, 86}, x, y)) return Control::close;
  if (contains({730, 531, 788, 589}, x, y)) return Control::options;
  if (model.state.options_open) return hit_test_options_panel(x, y);
  if (contains({297, 492, 503, 567}, x, y) && button_enabled(model.state.phase)) return Control::main_button;
  return Control::none;
}

}  // namespace vup
