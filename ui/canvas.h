// What the screens draw through: art into a rectangle, a filled rounded
// rectangle, and text with the program's look. Coordinates are DIPs of the
// 800 x 600 window. The Direct2D renderer implements it; tests record the calls.
#pragma once

#include <cstdint>
#include <string_view>

namespace vup {

struct RectF {
  float left = 0, top = 0, right = 0, bottom = 0;
};

// Half-open: the left and top edges belong to the rectangle, the right and bottom do not.
constexpr bool contains(const RectF& rect, float x, float y) {
  return rect.left <= x && x < rect.right && rect.top <= y && y < rect.bottom;
}

// A text box: x, y, width, height.
struct BoxF {
  float x = 0, y = 0, width = 0, height = 0;
};

struct ColorF {
  float r = 0, g = 0, b = 0, a = 1;
};

// A colour given on the 0-255 scale.
constexpr ColorF rgb(int r, int g, int b, float alpha = 1.0f) {
  return ColorF{static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f, static_cast<float>(b) / 255.0f,
                alpha};
}

enum class FontKind : int {
  regular = 0,   // Fira Sans 400, drawn with a drop shadow
  semibold = 1,  // Fira Sans 600, drawn with a drop shadow
  display = 2,   // Fredoka 600, drawn with a thick brown outline
};

struct TextStyle {
  FontKind font = FontKind::regular;
  float size = 12;      // DIPs
  ColorF top;           // the face's gradient runs from top to bottom of the laid-out lines
  ColorF bottom;
  bool centred = false;  // else leading; always centred vertically
  bool wrap = false;
  float min_size = 0;   // shrink by whole DIPs down to this size to fit; 0: never shrink
};

class Canvas {
 public:
  virtual ~Canvas() = default;
  // Draws the named art scaled into `rect`; art that does not exist draws nothing.
  virtual void draw_art(std::string_view name, const RectF& rect, float opacity) = 0;
  virtual void fill_rounded_rect(const RectF& rect, float radius_x, float radius_y, const ColorF& color) = 0;
  // UTF-8 text; an empty text draws nothing.
  virtual void draw_text(std::string_view text, const TextStyle& style, const BoxF& box) = 0;
};

}  // namespace vup
