#include "ui/text_fit.h"

namespace vup {

bool text_fits(const TextExtent& extent, const BoxF& box, bool wrap) {
  return wrap ? extent.height <= box.height + 0.5f : extent.width <= box.width + 0.5f;
}

std::optional<float> fit_text_size(TextMeasurer& measurer, std::string_view text, const TextStyle& style,
                                   const BoxF& box) {
  float size = style.size;
  for (;;) {
    const std::optional<TextExtent> extent = measurer.measure(text, style, size, box);
    if (!extent) return std::nullopt;
    if (text_fits(*extent, box, style.wrap) || style.min_size <= 0) return size;
    // Sizes tried: size, size - 1, ... while still at least the minimum; the
    // last one tried is kept even when it overflows.
    if (size - 1 < style.min_size) return size;
    size -= 1;
  }
}

}  // namespace vup
