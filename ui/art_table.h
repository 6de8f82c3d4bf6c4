// The window's art: 33 pieces, each a 1x and a 2x PNG compiled into the program.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace vup {

struct ArtPiece {
  const char* name;
  int width;   // of the 1x piece, in pixels (= DIPs); the 2x piece is exactly double
  int height;
};

// In loading order: "bg" first, "switch_off_hover" last.
extern const std::array<ArtPiece, 33> art_pieces;

// The raw-data resource of a piece: its name in capitals, plus "_2X" for the 2x piece.
[[nodiscard]] std::string art_resource_name(std::string_view name, bool double_size);

// The key of a decoded piece: its name, plus "@2x" for the 2x piece.
[[nodiscard]] std::string art_key(std::string_view name, bool double_size);

}  // namespace vup
