// Text that does not fit its box is drawn smaller, one DIP at a time, down to
// its minimum size. The measuring is the renderer's; the rule is here.
#pragma once

#include <optional>
#include <string_view>

#include "ui/canvas.h"

namespace vup {

struct TextExtent {
  float width = 0;   // of the widest line, trailing white space included
  float height = 0;  // of all lines
};

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // The extent of `text` laid out in `box` with `style` at `size`; nothing when
  // no layout could be made.
  virtual std::optional<TextExtent> measure(std::string_view text, const TextStyle& style, float size,
                                            const BoxF& box) = 0;
};

// True when a layout of that extent fits: by height when wrapping, else by width,
// each with half a DIP to spare.
[[nodiscard]] bool text_fits(const TextExtent& extent, const BoxF& box, bool wrap);

// The size to draw at: the style's size when the text fits or may not shrink;
// else the first of size - 1, size - 2, ... that fits, or the smallest size tried
// (the minimum, or just above it) when none does. Nothing when a layout fails.
[[nodiscard]] std::optional<float> fit_text_size(TextMeasurer& measurer, std::string_view text, const TextStyle& style,
                                                 const BoxF& box);

}  // namespace vup
