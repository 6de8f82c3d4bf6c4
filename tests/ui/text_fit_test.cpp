#include "ui/text_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace vup {
namespace {

// Every character is half the size wide; lines break at the box width when wrapping.
class FakeMeasurer final : public TextMeasurer {
 public:
  std::optional<TextExtent> measure(std::string_view text, const TextStyle& style, float size,
                                    const BoxF& box) override {
    sizes.push_back(size);
    if (fail) return std::nullopt;
    const float width = static_cast<float>(text.size()) * size * 0.5f;
    if (!style.wrap) return TextExtent{width, size * 1.2f};
    const float lines = std::max(1.0f, std::ceil(width / box.width));
    return TextExtent{std::min(width, box.width), lines * size * 1.2f};
  }
  std::vector<float> sizes;
  bool fail = false;
};

TEST(TextFitTest, ShrinksByWholeSizesUntilItFits) {
  const TextStyle status{FontKind::regular, 23, {}, {}, true, false, 13};
  const BoxF box{243, 375, 314, 40};
  struct Case {
    std::size_t chars;
    float size;
    std::size_t tried;
  } cases[] = {
      {27, 23, 1},  // 310.5 wide: fits at once
      {28, 22, 2},  // 322 at 23, 308 at 22
      {40, 15, 9},  // 314 at 15.7: 15 is the first that fits
      {60, 13, 11}, // fits nowhere: drawn at the minimum
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chars);
    FakeMeasurer measurer;
    EXPECT_EQ(fit_text_size(measurer, std::string(c.chars, 'x'), status, box), c.size);
    EXPECT_EQ(measurer.sizes.size(), c.tried);
  }
}

TEST(TextFitTest, HalfADipOfSlackAndNoShrinkWithoutAMinimum) {
  FakeMeasurer measurer;
  const BoxF box{0, 0, 100, 20};
  // 8 characters at 25 = 100 wide, at 25.1 = 100.4: within the slack.
  EXPECT_EQ(fit_text_size(measurer, "xxxxxxxx", TextStyle{FontKind::regular, 25.1f, {}, {}, false, false, 10}, box),
            25.1f);
  FakeMeasurer fixed;
  EXPECT_EQ(fit_text_size(fixed, std::string(50, 'x'), TextStyle{FontKind::display, 36, {}, {}, true, false, 0}, box),
            36);
  EXPECT_EQ(fixed.sizes.size(), 1u);
}

TEST(TextFitTest, WrappedTextShrinksByHeight) {
  FakeMeasurer measurer;
  const TextStyle detail{FontKind::regular, 13, {}, {}, true, true, 11};
  // 150 characters: 975 wide at 13 (two lines, 31.2 high), 900 at 12 (two lines, 28.8 high).
  EXPECT_EQ(fit_text_size(measurer, std::string(150, 'x'), detail, BoxF{100, 461, 600, 30}), 12);
  FakeMeasurer wide;
  // One long line that wraps into two lines fitting the height: no shrinking by width.
  EXPECT_EQ(fit_text_size(wide, std::string(100, 'x'), detail, BoxF{100, 461, 600, 31.7f}), 13);
}

TEST(TextFitTest, AFailedLayoutSkipsTheText) {
  FakeMeasurer measurer;
  measurer.fail = true;
  EXPECT_FALSE(fit_text_size(measurer, "x", TextStyle{}, BoxF{0, 0, 10, 10}));
}

}  // namespace
}  // namespace vup
