// A canvas that keeps what a screen drew, for tests.
#pragma once

#include <string>
#include <vector>

#include "ui/canvas.h"

namespace vup::test {

struct DrawCall {
  enum Kind { art, rounded_rect, text } kind = art;
  std::string name;  // art name, or the text
  RectF rect;        // art and rounded rectangle
  BoxF box;          // text
  TextStyle style;   // text
  ColorF color;      // rounded rectangle
};

class RecordingCanvas final : public Canvas {
 public:
  void draw_art(std::string_view name, const RectF& rect, float) override {
    calls.push_back({DrawCall::art, std::string(name), rect, {}, {}, {}});
  }
  void fill_rounded_rect(const RectF& rect, float, float, const ColorF& color) override {
    calls.push_back({DrawCall::rounded_rect, {}, rect, {}, {}, color});
  }
  void draw_text(std::string_view text, const TextStyle& style, const BoxF& box) override {
    calls.push_back({DrawCall::text, std::string(text), {}, box, style, {}});
  }

  // The names of the art drawn, in order.
  std::vector<std::string> art() const {
    std::vector<std::string> names;
    for (const DrawCall& c : calls) {
      if (c.kind == DrawCall::art) names.push_back(c.name);
    }
    return names;
  }
  // The first art call of that name, or nullptr.
  const DrawCall* find_art(const std::string& name) const {
    for (const DrawCall& c : calls) {
      if (c.kind == DrawCall::art && c.name == name) return &c;
    }
    return nullptr;
  }
  // The text calls, in order.
  std::vector<const DrawCall*> texts() const {
    std::vector<const DrawCall*> found;
    for (const DrawCall& c : calls) {
      if (c.kind == DrawCall::text) found.push_back(&c);
    }
    return found;
  }

  std::vector<DrawCall> calls;
};

}  // namespace vup::test
