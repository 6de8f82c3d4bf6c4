#include "app/app.h"

#include "ui/main_screen.h"

namespace vup {

bool App::start(bool install_mode, std::string& error) {
  install_mode_ = install_mode;
  view_ = std::make_unique<WindowView>(poster_);
  worker_ = std::make_unique<Worker>(poster_, *view_, tasks_);
  if (!worker_->start(error)) {
    worker_.reset();
    return false;
  }
  first_decision();
  return true;
}

void App::first_decision() {
  host_.repaint();
  worker_->post(Task::update);
}

void App::stop_worker() {
  if (worker_) worker_->stop_and_join();
}

void App::on_worker_message(std::unique_ptr<WorkerMessage> message) {
  switch (message->kind) {
    case MessageKind::notice:
      apply_notice(screen_, message->notice, message->text);
      break;
    case MessageKind::update_finished:
      apply_update_result(screen_, message->outcome, message->files_date);
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
  switch (press_main_button(screen_)) {
    case ButtonAction::start_game:
      worker_->post(Task::start_game);
      break;
    case ButtonAction::update:
    case ButtonAction::install_here:
      worker_->post(Task::update);
      break;
    case ButtonAction::install_elsewhere:
    case ButtonAction::nothing:
      break;
  }
}

void App::change_option(Control control) {
  switch (control) {
    case Control::size_previous:
      options_.size_index = options_.size_index >= 1 && options_.size_index <= 4 ? options_.size_index - 1 : 0;
      break;
    case Control::size_next:
      options_.size_index = options_.size_index + 1 < 5 ? options_.size_index + 1 : 4;
      break;
    case Control::music:
      options_.music = !options_.music;
      break;
    case Control::effects:
      options_.effects = !options_.effects;
      break;
    case Control::intro:
      options_.intro = !options_.intro;
      break;
    default:
      break;
  }
}

void App::draw(Canvas& canvas) const { draw_main_screen(canvas, model()); }

}  // namespace vup
