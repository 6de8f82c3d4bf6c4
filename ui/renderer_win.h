// Windows: the drawing stack behind the canvas. Direct2D draws, DirectWrite lays
// out text in the program's own fonts (a private collection loaded from the
// program's resources, with the system's fonts for letters they lack), and the
// imaging component decodes the art once at start.
#pragma once

#include <windows.h>
#include <d2d1.h>
#include <dwrite_3.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <map>
#include <string>

#include "ui/canvas.h"
#include "ui/text_fit.h"

namespace vup {

using Microsoft::WRL::ComPtr;

class Renderer final : public Canvas, public TextMeasurer {
 public:
  Renderer() = default;
  ~Renderer() override;
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // Factories, fonts and art, in that order. False when any of them fails;
  // `failed_step` then names it for the log.
  [[nodiscard]] bool set_up(HINSTANCE instance, std::string& failed_step);

  void set_dpi(UINT dpi);
  // Drops what belongs to the drawing surface; fonts and decoded art stay.
  void discard_device_resources();
  [[nodiscard]] bool ensure_device_resources(HWND window, UINT dpi);
  void resize(UINT width, UINT height);

  // Begins a frame cleared to black; false when there is no surface to draw on.
  [[nodiscard]] bool begin_frame(HWND window, UINT dpi);
  // Ends the frame; false when the surface was lost and must be made again.
  [[nodiscard]] bool end_frame();

  // Canvas
  void draw_art(std::string_view name, const RectF& rect, float opacity) override;
  void fill_rounded_rect(const RectF& rect, float radius_x, float radius_y, const ColorF& color) override;
  void draw_text(std::string_view text, const TextStyle& style, const BoxF& box) override;

  // TextMeasurer
  std::optional<TextExtent> measure(std::string_view text, const TextStyle& style, float size,
                                    const BoxF& box) override;

  [[nodiscard]] bool high_density() const { return high_density_; }

  // The layout that drawing and measuring use for UTF-16 `text` in `style`'s font at
  // `size` in `box`; null when it cannot be made.
  ComPtr<IDWriteTextLayout> make_layout(const std::wstring& text, const TextStyle& style, float size,
                                        const BoxF& box);

 private:
  bool load_fonts(HINSTANCE instance);
  bool load_art(HINSTANCE instance);

  ComPtr<ID2D1Factory> d2d_;
  ComPtr<IWICImagingFactory> wic_;
  ComPtr<IDWriteFactory5> dwrite_;
  ComPtr<IDWriteInMemoryFontFileLoader> font_loader_;
  ComPtr<IDWriteFontCollection1> fonts_;
  ComPtr<IDWriteFontFallback> fallback_;  // null where the system has none
  std::map<std::string, ComPtr<IWICBitmapSource>> decoded_art_;

  // Device resources: made at paint time, dropped together.
  ComPtr<ID2D1HwndRenderTarget> target_;
  std::map<std::string, ComPtr<ID2D1Bitmap>> bitmaps_;
  ComPtr<ID2D1SolidColorBrush> brush_;
  bool high_density_ = false;
};

}  // namespace vup
