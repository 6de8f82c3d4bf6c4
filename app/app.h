// The application: the screen state and the pointer state, the view through
// which the engine reports, the worker, and what every window event does to
// them. Everything here runs on the window's thread; the window itself (and its
// drawing) is the host's.
#pragma once

#include <memory>
#include <string>

#include "app/screen_state.h"
#include "app/window_view.h"
#include "app/worker.h"
#include "ui/canvas.h"
#include "ui/screen_model.h"

namespace vup {

// What the application asks of its window.
class WindowHost {
 public:
  virtual ~WindowHost() = default;
  // Requests a repaint of the whole window.
  virtual void repaint() = 0;
  virtual void minimise() = 0;
  // Destroys the window; the host then calls App::on_destroy.
  virtual void destroy_window() = 0;
};

class App {
 public:
  App(WindowHost& host, WindowPoster& poster, WorkerTasks& tasks) : host_(host), poster_(poster), tasks_(tasks) {}
  ~App() { stop_worker(); }
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // Creates the view and the worker (whose thread starts and waits) and makes the
  // first decision. `install_mode`: started as an installed copy ("--install").
  // False when the worker thread cannot be created; `error` says why.
  [[nodiscard]] bool start(bool install_mode, std::string& error);

  // Worker messages.
  void on_worker_message(std::unique_ptr<WorkerMessage> message);
  void on_progress();

  // Closing: while a task runs the window waits for its result ("Stopping...").
  void on_close();
  // The window is being destroyed: stop and join the worker.
  void on_destroy() { stop_worker(); }

  // Keys.
  void on_enter();
  void on_escape();

  // Pointer, in DIPs. The host captures the pointer on a press and releases it.
  [[nodiscard]] Control hit_test(float x, float y) const;
  void pointer_moved(float x, float y);
  void button_down(float x, float y);
  void button_up(float x, float y);
  void pointer_left();
  void click(Control control);

  void draw(Canvas& canvas) const;

  [[nodiscard]] const ScreenState& screen() const { return screen_; }
  [[nodiscard]] const PointerState& pointer() const { return pointer_; }
  [[nodiscard]] const OptionsPanelModel& options() const { return options_; }
  [[nodiscard]] bool worker_busy() const { return worker_ && worker_->busy(); }

 private:
  [[nodiscard]] ScreenModel model() const { return ScreenModel{screen_, pointer_, options_}; }
  void first_decision();
  void main_button();
  void change_option(Control control);
  void stop_worker();

  WindowHost& host_;
  WindowPoster& poster_;
  WorkerTasks& tasks_;
  bool install_mode_ = false;
  ScreenState screen_;
  PointerState pointer_;
  OptionsPanelModel options_;
  // Destroyed first: the worker may still be reporting through the view.
  std::unique_ptr<WindowView> view_;
  std::unique_ptr<Worker> worker_;
};

}  // namespace vup
