// The application: the screen state and the pointer state, the view through
// which the engine reports, the worker, and what every window event does to
// them. Everything here runs on the window's thread; the window itself (and its
// drawing) is the host's.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/program_environment.h"
#include "app/screen_state.h"
#include "app/window_view.h"
#include "app/worker.h"
#include "options/options_store.h"
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
  // The steps of the window's destruction (App::on_destroy): hide it; take the
  // worker's messages that are still queued for it out of the queue; tell the
  // message loop to end.
  virtual void hide_window() = 0;
  virtual void remove_worker_messages() = 0;
  virtual void end_message_loop() = 0;
};

class App {
 public:
  App(WindowHost& host, WindowPoster& poster, WorkerTasks& tasks, ProgramEnvironment& environment,
      OptionsStore& options)
      : host_(host), poster_(poster), tasks_(tasks), environment_(environment), options_(options) {}
  ~App() { stop_worker(); }
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // Reads the game options, creates the view and the worker (whose thread starts
  // and waits) and makes the installer's first decision. `install_mode`: started as
  // an installed copy ("--install"). False when the worker thread cannot be
  // created; `error` says why.
  [[nodiscard]] bool start(bool install_mode, std::string& error);

  // Worker messages. `parameter` is the message's; only a record that the view
  // posted and that was not handled yet is read (and freed), anything else is
  // ignored.
  void on_worker_message(std::uintptr_t parameter);
  void on_progress();

  // Closing: while a task runs the window waits for its result ("Stopping...").
  void on_close();
  // The window is being destroyed: hide it, stop and join the worker, drop its
  // messages that will never be handled. The message loop is told to end even when
  // one of these steps throws.
  void on_destroy();

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
  [[nodiscard]] const GameOptions& options() const { return options_.options(); }
  [[nodiscard]] bool worker_busy() const { return worker_ && worker_->busy(); }

 private:
  [[nodiscard]] ScreenModel model() const;
  // The installer's first decision: update, install, ask, or say why not.
  void first_decision();
  void prompt(InstallMode mode, const std::string& heading, const std::string& detail);
  void install_here(const PathString& folder);
  void install_elsewhere();
  // After a run that swapped in a new launcher: hands over to it (no argument).
  // True when it started and this window is closing; false, staying as it is,
  // when it did not start.
  [[nodiscard]] bool restart_launcher();
  // The one way this process hands the session over to another program (the
  // installed copy, or the new launcher): the instance goes first, so that the
  // program can become it; then the program starts; once it has, this process
  // writes `log_line`, lets go of the log and closes its window. A program that
  // did not start gives the instance back to this process (a second start raises
  // this window again) and returns false with the platform's error code; nothing
  // else changes.
  [[nodiscard]] bool hand_over(const PathString& program, const PathString& folder, const PathString& arguments,
                               std::string_view log_line, int& error);
  // The options to carry with an install: those held, if any.
  [[nodiscard]] std::optional<GameOptions> held_options() const;
  void cannot_install(const std::string& status, const std::string& detail);
  void main_button();
  void change_option(Control control);
  void stop_worker();

  WindowHost& host_;
  WindowPoster& poster_;
  WorkerTasks& tasks_;
  ProgramEnvironment& environment_;
  OptionsStore& options_;
  bool install_mode_ = false;
  bool cannot_hold_ = false;      // this folder cannot hold the game; Retry decides again
  bool install_started_ = false;  // this process started an install here
  FolderCheck prompted_check_;    // the check that put up the install prompt
  ScreenState screen_;
  PointerState pointer_;
  // Destroyed first: the worker may still be reporting through the view.
  std::unique_ptr<WindowView> view_;
  std::unique_ptr<Worker> worker_;
};

}  // namespace vup
