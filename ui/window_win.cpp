// Windows: the window host (class, size and DPI, pointer, paint cycle, the
// worker's messages).
#include "ui/window_win.h"

#include <windowsx.h>

#include "log/log.h"
#include "ui/dpi.h"

namespace vup {
namespace {

constexpr DWORD window_style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX;

// The window's pixel rectangle for `dpi`, centred in the primary monitor's work area.
RECT centred_rect(UINT dpi) {
  const int width = dips_to_pixels(design_width, dpi);
  const int height = dips_to_pixels(design_height, dpi);
  RECT work{0, 0, width, height};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;
  return RECT{x, y, x + width, y + height};
}

}  // namespace

bool MainWindow::set_up(HINSTANCE instance, std::string& failed_step) {
  if (!renderer_.set_up(instance, failed_step)) return false;

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = &MainWindow::procedure;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  window_class.hIconSm = window_class.hIcon;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = window_class_name;
  if (!RegisterClassExW(&window_class)) {
    failed_step = "the window class";
    return false;
  }

  const UINT system_dpi = GetDpiForSystem();
  const RECT placed = centred_rect(system_dpi);
  window_ = CreateWindowExW(WS_EX_APPWINDOW, window_class_name, L"VelmoraUpdater", window_style, placed.left,
                            placed.top, placed.right - placed.left, placed.bottom - placed.top, nullptr, nullptr,
                            instance, this);
  if (!window_) {
    failed_step = "the window";
    return false;
  }
  // On a monitor whose scaling differs from the system's, size and centre again.
  const UINT window_dpi = GetDpiForWindow(window_);
  if (window_dpi != system_dpi) {
    const RECT again = centred_rect(window_dpi);
    SetWindowPos(window_, nullptr, again.left, again.top, again.right - again.left, again.bottom - again.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    renderer_.set_dpi(window_dpi);
  }
  return true;
}

void MainWindow::show() {
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
}

void MainWindow::repaint() {
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void MainWindow::minimise() { ShowWindow(window_, SW_MINIMIZE); }

void MainWindow::destroy_window() {
  if (window_) DestroyWindow(window_);
}

void MainWindow::hide_window() { ShowWindow(window_, SW_HIDE); }

void MainWindow::remove_worker_messages() {
  // Only the messages: their records stay with the view, which frees them.
  MSG pending;
  while (PeekMessageW(&pending, window_, message_worker, message_worker, PM_REMOVE)) {
  }
}

void MainWindow::end_message_loop() { PostQuitMessage(0); }

bool MainWindow::post(unsigned message, std::uintptr_t parameter) {
  return PostMessageW(window_, message, 0, static_cast<LPARAM>(parameter)) != FALSE;
}

LRESULT CALLBACK MainWindow::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self || !self->app_) return DefWindowProcW(window, message, wparam, lparam);
  try {
    return self->handle_message(message, wparam, lparam);
  } catch (...) {
    write_log_line("window: unexpected error in a message handler");
    return DefWindowProcW(window, message, wparam, lparam);
  }
}

POINT MainWindow::client_point(LPARAM lparam) const { return POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}; }

float MainWindow::to_dips(int pixels) const { return pixels_to_dips(pixels, GetDpiForWindow(window_)); }

LRESULT MainWindow::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
  App& app = *app_;
  switch (message) {
    case WM_CREATE:
      renderer_.set_dpi(GetDpiForWindow(window_));
      return 0;
    case WM_PAINT:
      paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_SIZE:
      renderer_.resize(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_DPICHANGED: {
      renderer_.set_dpi(HIWORD(wparam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      repaint();
      return 0;
    }
    case WM_NCHITTEST: {
      POINT point = client_point(lparam);  // screen coordinates here
      ScreenToClient(window_, &point);
      // Empty art drags the window; controls get the pointer.
      return app.hit_test(to_dips(point.x), to_dips(point.y)) == Control::none ? HTCAPTION : HTCLIENT;
    }
    case WM_MOUSEMOVE: {
      const POINT point = client_point(lparam);
      if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
      }
      app.pointer_moved(to_dips(point.x), to_dips(point.y));
      return 0;
    }
    case WM_LBUTTONDOWN: {
      const POINT point = client_point(lparam);
      app.button_down(to_dips(point.x), to_dips(point.y));
      SetCapture(window_);
      return 0;
    }
    case WM_LBUTTONUP: {
      ReleaseCapture();
      const POINT point = client_point(lparam);
      app.button_up(to_dips(point.x), to_dips(point.y));
      return 0;
    }
    case WM_MOUSELEAVE:
      tracking_ = false;
      app.pointer_left();
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_RETURN) app.on_enter();
      if (wparam == VK_ESCAPE) app.on_escape();
      return 0;
    case WM_CLOSE:
      app.on_close();
      return 0;
    case WM_DESTROY:
      destroyed_ = true;
      app.on_destroy();
      return 0;
    case message_worker:
      app.on_worker_message(static_cast<std::uintptr_t>(lparam));
      return 0;
    case message_progress:
      app.on_progress();
      return 0;
    default:
      return DefWindowProcW(window_, message, wparam, lparam);
  }
}

void MainWindow::paint() {
  PAINTSTRUCT paint_struct;
  BeginPaint(window_, &paint_struct);
  if (renderer_.begin_frame(window_, GetDpiForWindow(window_))) {
    app_->draw(renderer_);
    // A lost device: the next paint makes the surface and its bitmaps again.
    if (!renderer_.end_frame()) InvalidateRect(window_, nullptr, FALSE);
  }
  EndPaint(window_, &paint_struct);
}

}  // namespace vup
