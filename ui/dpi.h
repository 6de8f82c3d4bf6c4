// DPI arithmetic in one place: the window is designed in DIPs (96 per inch).
#pragma once

namespace vup {

inline constexpr int design_width = 800;   // DIPs
inline constexpr int design_height = 600;  // DIPs
inline constexpr unsigned high_density_dpi = 144;  // from here on the "@2x" art is drawn

// DIPs to pixels, rounded as the platform's MulDiv rounds (half away from zero).
constexpr int dips_to_pixels(int dips, unsigned dpi) {
  const long long product = static_cast<long long>(dips) * dpi;
  return static_cast<int>(product >= 0 ? (product + 48) / 96 : -((-product + 48) / 96));
}

// Pixels to DIPs, in single precision.
constexpr float pixels_to_dips(int pixels, unsigned dpi) {
  return static_cast<float>(pixels) / (static_cast<float>(dpi) / 96.0f);
}

constexpr bool is_high_density(unsigned dpi) { return dpi >= high_density_dpi; }

}  // namespace vup
