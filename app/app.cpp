#include "app/app.h"

#include <string>

#include "fs/utf8_path.h"
#include "install/first_decision.h"
#include "ui/main_screen.h"

namespace vup {

ScreenModel App::model() const {
  const GameOptions& values = options_.options();
  return ScreenModel{screen_, pointer_,
                     OptionsPanelModel{values.size_index, values.music, values.effects, values.intro, options_.pending()}};
}

bool App::start(bool install_mode, std::string& error) {
  install_mode_ = install_mode;
  // Before anything else looks at the folder: what a launcher that updated itself
  // left. The program that handed over to this one (the copy's starter, or that
  // launcher, which starts its successor without an argument) may still hold the
  // log and its own file for a moment.
  environment_.open_log_after_hand_over();
  environment_.remove_launcher_backups();
  options_.read();
  view_ = std::make_unique<WindowView>(poster_);
  worker_ = std::make_unique<Worker>(*view_, tasks_);
  if (!worker_->start(error)) {
    worker_.reset();
    return false;
  }
  first_decision();
  return true;
}

void App::first_decision() {
  cannot_hold_ = false;
  host_.repaint();
  const FolderCheck check = environment_.check_folder();
  const FirstDecision decision = decide_first_step(check, install_mode_);
  // Options go straight into the options file of a game folder only. Anywhere else
  // the file is not the game's (yet): changes wait for an install to succeed, and
  // go with it into the folder it installs.
  if (decision.step != FirstStep::update) options_.hold();
  // An install that an earlier process started, here or in the subfolder: what
  // its player chose comes along, unless the player here has chosen already.
  const bool started = check.kind == FolderKind::install_started || check.kind == FolderKind::install_moved ||
                       (check.kind == FolderKind::other && check.unfinished_subfolder);
  if (started && !check.cannot_hold && !options_.pending()) {
    if (const std::optional<GameOptions> held = environment_.marker_held_options(check.target)) options_.change(*held);
  }
  switch (decision.step) {
    case FirstStep::cannot_hold:
      cannot_install(decision.status, decision.detail);
      break;
    case FirstStep::update:
      enter_checking_updates(screen_);
      screen_.error = false;
      worker_->post(Task::update);
      break;
    case FirstStep::install_here:
      install_here(decision.target);
      break;
    case FirstStep::prompt_here:
    case FirstStep::prompt_elsewhere:
      prompted_check_ = check;
      prompt(decision.step == FirstStep::prompt_here ? InstallMode::here : InstallMode::elsewhere, decision.status,
             decision.detail);
      break;
  }
}

void App::prompt(InstallMode mode, const std::string& heading, const std::string& detail) {
  screen_.phase = Phase::confirm_install;
  screen_.install_mode = mode;
  screen_.status = heading;
  screen_.detail = detail;
  screen_.error = false;
  screen_.progress = 0;
}

void App::cannot_install(const std::string& status, const std::string& detail) {
  cannot_hold_ = true;
  show_failure(screen_, status, detail);
}

std::optional<GameOptions> App::held_options() const {
  if (!options_.pending()) return std::nullopt;
  return options_.options();
}

void App::install_here(const PathString& folder) {
  install_started_ = true;
  environment_.write_install_marker(folder, held_options());
  enter_checking_updates(screen_);
  screen_.error = false;
  worker_->post(Task::install);
}

void App::install_elsewhere() {
  const PathString& target = prompted_check_.target;
  const InstallElsewhereResult copied = environment_.copy_program(target);
  if (!copied.ok) {
    cannot_install(copied.status, copied.detail);
    return;
  }
  // The copy finds the install started, and in the marker the options chosen here.
  environment_.write_install_marker(target, held_options());
  int error = 0;
  // Once the copy runs, it carries the install on; this program's work is done.
  if (!hand_over(copied.program, target, VUP_PATH("--install"), started_log_line(target), error)) {
    cannot_install(install_elsewhere_failed, start_failure_detail(path_to_utf8(copied.program), error));
  }
}

bool App::restart_launcher() {
  int error = 0;
  if (hand_over(environment_.own_program(), environment_.game_folder(), PathString(),
                "update: the launcher was updated; started the new one", error)) {
    return true;
  }
  // This process stays, ready: the next start runs the new launcher anyway.
  environment_.log("update: could not start the new launcher (error " + std::to_string(error) +
                   "); the next start runs it");
  return false;
}

bool App::hand_over(const PathString& program, const PathString& folder, const PathString& arguments,
                    std::string_view log_line, int& error) {
  environment_.release_instance();
  if (!environment_.start_program(program, folder, arguments, error)) {
    environment_.reclaim_instance();
    return false;
  }
  environment_.log(log_line);
  environment_.close_log();
  host_.destroy_window();
  return true;
}

void App::stop_worker() {
  if (worker_) worker_->stop_and_join();
}

void App::on_destroy() {
  // Whatever the steps below do, the loop ends: a process whose window is gone
  // must not live on, holding the instance mutex.
  struct EndLoop {
    WindowHost& host;
    ~EndLoop() { host.end_message_loop(); }
  } end_loop{host_};
  host_.hide_window();
  stop_worker();
  // Results the worker posted that will never be handled.
  host_.remove_worker_messages();
  if (view_) view_->free_records();
}

void App::on_worker_message(std::uintptr_t parameter) {
  const std::unique_ptr<WorkerMessage> message = view_ ? view_->claim(parameter) : nullptr;
  if (!message) return;  // not a record of ours: changes nothing
  switch (message->kind) {
    case MessageKind::notice:
      apply_notice(screen_, message->notice, message->text);
      break;
    case MessageKind::update_finished:
      if (apply_update_result(screen_, message->outcome, message->files_date)) {
        // The install, if one ran, is complete; the options file may now be written.
        environment_.remove_install_marker();
        options_.after_successful_update();
        // A new launcher has this one's name now; it takes over and finds the
        // folder up to date.
        if (message->launcher_replaced && restart_launcher()) return;
      }
      break;
    case MessageKind::start_finished:
      apply_start_result(screen_, message->outcome);
      if (screen_.phase == Phase::started) {
        // The game is running; this program's work is done.
        host_.destroy_window();
        return;
      }
      break;
  }
  if (screen_.phase == Phase::closing && !worker_busy() && message->kind != MessageKind::notice) {
    host_.destroy_window();
    return;
  }
  host_.repaint();
}

void App::on_progress() {
  if (!view_) return;
  const DownloadProgress snapshot = view_->take_progress();
  if (screen_.phase == Phase::closing) return;
  apply_progress(screen_, snapshot);
  host_.repaint();
}

void App::on_close() {
  if (screen_.phase == Phase::closing) return;
  if (!worker_busy()) {
    host_.destroy_window();
    return;
  }
  begin_closing(screen_);
  worker_->request_stop();
  host_.repaint();
}

void App::on_enter() {
  if (!screen_.options_open && button_enabled(screen_.phase)) click(Control::main_button);
}

void App::on_escape() {
  if (!screen_.options_open) return;
  screen_.options_open = false;
  host_.repaint();
}

Control App::hit_test(float x, float y) const { return hit_test_main_screen(model(), x, y); }

void App::pointer_moved(float x, float y) {
  const Control hit = hit_test(x, y);
  if (hit == pointer_.hovered) return;
  pointer_.hovered = hit;
  host_.repaint();
}

void App::button_down(float x, float y) {
  pointer_.pressed = hit_test(x, y);
  host_.repaint();
}

void App::button_up(float x, float y) {
  const Control pressed = pointer_.pressed;
  pointer_.pressed = Control::none;
  host_.repaint();
  // Releasing anywhere but on the pressed control cancels the click.
  if (pressed != Control::none && pressed == hit_test(x, y)) click(pressed);
}

void App::pointer_left() {
  if (pointer_.hovered == Control::none && pointer_.pressed == Control::none) return;
  pointer_.hovered = Control::none;  // a held control stays pressed until the button comes up
  host_.repaint();
}

void App::click(Control control) {
  switch (control) {
    case Control::main_button:
      main_button();
      break;
    case Control::minimise:
      host_.minimise();
      break;
    case Control::close:
      on_close();
      break;
    case Control::options:
      screen_.options_open = !screen_.options_open;
      break;
    case Control::size_previous:
    case Control::size_next:
    case Control::music:
    case Control::effects:
    case Control::intro:
      change_option(control);
      break;
    case Control::back:
      screen_.options_open = false;
      break;
    case Control::none:
      break;
  }
  host_.repaint();
}

void App::main_button() {
  if (cannot_hold_) {
    first_decision();
    return;
  }
  // The folder may have changed while the prompt waited.
  if (screen_.phase == Phase::confirm_install && folder_changed(prompted_check_, environment_.check_folder())) {
    first_decision();
    return;
  }
  switch (press_main_button(screen_)) {
    case ButtonAction::install_elsewhere:
      install_elsewhere();
      break;
    case ButtonAction::install_here:
      install_here(prompted_check_.target);
      break;
    case ButtonAction::update:
      // A first install that failed is retried as an install.
      worker_->post(retry_runs_install(install_started_, environment_.game_executable_present()) ? Task::install
                                                                                                 : Task::update);
      break;
    case ButtonAction::start_game:
      worker_->post(Task::start_game);
      break;
    case ButtonAction::nothing:
      break;
  }
}

void App::change_option(Control control) {
  GameOptions changed = options_.options();
  switch (control) {
    case Control::size_previous:
      changed.size_index = changed.size_index >= 1 && changed.size_index <= 4 ? changed.size_index - 1 : 0;
      break;
    case Control::size_next:
      changed.size_index = changed.size_index + 1 < 5 ? changed.size_index + 1 : 4;
      break;
    case Control::music:
      changed.music = !changed.music;
      break;
    case Control::effects:
      changed.effects = !changed.effects;
      break;
    case Control::intro:
      changed.intro = !changed.intro;
      break;
    default:
      return;
  }
  // Saved at once, or held until the install has finished.
  options_.change(changed);
}

void App::draw(Canvas& canvas) const { draw_main_screen(canvas, model()); }

}  // namespace vup
