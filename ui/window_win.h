// Windows: the one borderless window. It turns window messages into the
// application's events, posts the worker's messages, and paints through the
// renderer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/app.h"
#include "app/worker_message.h"
#include "ui/renderer_win.h"

namespace vup {

inline constexpr wchar_t window_class_name[] = L"VelmoraUpdaterWindow";

class MainWindow final : public WindowHost, public WindowPoster {
 public:
  MainWindow() = default;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // The application whose events this window delivers; set before set_up.
  void attach(App& app) { app_ = &app; }

  // Drawing stack, art and fonts, the window class and the window, sized and
  // centred for the monitor's scaling. False when any step fails; `failed_step`
  // names it for the log.
  [[nodiscard]] bool set_up(HINSTANCE instance, std::string& failed_step);
  void show();

  [[nodiscard]] HWND handle() const { return window_; }
  // Whether the window has been destroyed (its WM_DESTROY came): the message loop
  // ends then, whether the quit message reaches it or not.
  [[nodiscard]] bool destroyed() const { return destroyed_; }

  // WindowHost
  void repaint() override;
  void minimise() override;
  void destroy_window() override;
  void hide_window() override;
  void remove_worker_messages() override;
  void end_message_loop() override;
  // WindowPoster
  bool post(unsigned message, std::uintptr_t parameter) override;

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam);
  void paint();
  [[nodiscard]] POINT client_point(LPARAM lparam) const;
  [[nodiscard]] float to_dips(int pixels) const;

  App* app_ = nullptr;
  HWND window_ = nullptr;
  Renderer renderer_;
  bool tracking_ = false;  // a leave notice has been asked for
  bool destroyed_ = false;
};

}  // namespace vup
