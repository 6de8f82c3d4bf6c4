#include "app/screen_state.h"

#include <algorithm>

namespace vup {
namespace {

std::string_view last_component(std::string_view game_path) {
  const std::size_t slash = game_path.rfind('/');
  return slash == std::string_view::npos ? game_path : game_path.substr(slash + 1);
}

void enter_failed(ScreenState& screen, const Outcome& outcome) {
  screen.phase = Phase::failed;
  screen.status = outcome_short_text(outcome.code);
  screen.detail = failure_detail(outcome.message);
  screen.error = true;
}

}  // namespace

void enter_checking_updates(ScreenState& screen) {
  screen.phase = Phase::updating;
  screen.status = status_checking_updates;
  screen.detail.clear();
}

std::string failure_detail(std::string_view message) {
  std::string detail(message.empty() ? std::string_view("out of memory") : message);
  if (detail[0] >= 'a' && detail[0] <= 'z') detail[0] = static_cast<char>(detail[0] - 'a' + 'A');
  return detail;
}

void apply_notice(ScreenState& screen, NoticeCode code, std::string_view text) {
  if (screen.phase == Phase::closing) return;
  screen.error = false;
  const bool checking_game = screen.phase == Phase::starting;
  switch (code) {
    case NoticeCode::checking_updates:
      screen.status = status_checking_updates;
      screen.detail.clear();
      screen.progress = 0;
      break;
    case NoticeCode::checking_list:
      screen.status = checking_game ? "Checking the game files..." : "Checking the update...";
      screen.detail.clear();
      break;
    case NoticeCode::checking_file:
      screen.status = checking_game ? "Checking the game files..." : "Checking files...";
      screen.detail = last_component(text);
      break;
    case NoticeCode::downloading:
      screen.status = "Downloading ";
      screen.status += last_component(text);
      break;
    case NoticeCode::finishing:
      screen.status = "Finishing...";
      screen.detail.clear();
      break;
    case NoticeCode::up_to_date:
      screen.status = status_ready;
      screen.detail = detail_up_to_date;
      screen.progress = 1;
      break;
  }
}

bool apply_update_result(ScreenState& screen, const Outcome& outcome, std::int64_t files_date) {
  if (screen.phase == Phase::closing) return false;
  if (outcome.code != code_success) {
    enter_failed(screen, outcome);
    return false;
  }
  screen.phase = Phase::ready;
  screen.status = status_ready;
  screen.detail = detail_up_to_date;
  screen.error = false;
  screen.progress = 1;
  screen.files_date = files_date;
  return true;
}

void apply_start_result(ScreenState& screen, const Outcome& outcome) {
  if (screen.phase == Phase::closing) return;
  if (outcome.code == code_success) {
    screen.phase = Phase::started;
    screen.status = "Starting the game...";
    screen.detail.clear();
  } else if (outcome.code == code_elevation_declined) {
    screen.phase = Phase::ready;
    screen.status = status_ready;
    screen.detail = "The game needs administrator permission to start.";
    screen.error = true;
  } else {
    enter_failed(screen, outcome);
  }
}

void apply_progress(ScreenState& screen, const DownloadProgress& progress) {
  if (screen.phase == Phase::closing) return;
  screen.progress = progress.bytes_total == 0
                        ? 1.0
                        : std::clamp(static_cast<double>(progress.bytes_done) / static_cast<double>(progress.bytes_total),
                                     0.0, 1.0);
  screen.detail = progress_text(progress);
  screen.error = false;
}

ButtonAction press_main_button(ScreenState& screen) {
  switch (screen.phase) {
    case Phase::confirm_install:
      if (screen.install_mode == InstallMode::elsewhere) return ButtonAction::install_elsewhere;
      enter_checking_updates(screen);
      return ButtonAction::install_here;
    case Phase::ready:
      screen.phase = Phase::starting;
      screen.status = "Checking the game files...";
      screen.detail.clear();
      screen.error = false;
      return ButtonAction::start_game;
    case Phase::failed:
      enter_checking_updates(screen);
      screen.error = false;
      screen.progress = 0;
      return ButtonAction::update;
    default:
      return ButtonAction::nothing;
  }
}

void begin_closing(ScreenState& screen) {
  screen.phase = Phase::closing;
  screen.status = "Stopping...";
  screen.detail = "The update carries on the next time you start VelmoraUpdater.";
  screen.error = false;
  screen.options_open = false;
}

void show_failure(ScreenState& screen, std::string_view status, std::string_view message) {
  screen.phase = Phase::failed;
  screen.status = status;
  screen.detail = message;
  screen.error = true;
}

bool button_enabled(Phase phase) {
  return phase == Phase::confirm_install || phase == Phase::ready || phase == Phase::failed;
}

const char* button_caption(Phase phase) {
  if (phase == Phase::failed) return "Retry";
  if (phase == Phase::confirm_install) return "Install";
  return "Play";
}

}  // namespace vup
