#include "ui/art_table.h"

namespace vup {

const std::array<ArtPiece, 33> art_pieces = {{
    {"bg", 800, 600},
    {"plate", 334, 43},
    {"track", 598, 28},
    {"fill", 588, 18},
    {"board", 500, 282},
    {"title", 204, 40},
    {"value", 126, 28},
    {"play_normal", 206, 75},
    {"play_hover", 206, 75},
    {"play_pressed", 206, 75},
    {"play_disabled", 206, 75},
    {"min_normal", 44, 46},
    {"min_hover", 44, 46},
    {"min_pressed", 44, 46},
    {"close_normal", 44, 46},
    {"close_hover", 44, 46},
    {"close_pressed", 44, 46},
    {"options_normal", 58, 58},
    {"options_hover", 58, 58},
    {"options_pressed", 58, 58},
    {"back_normal", 90, 30},
    {"back_hover", 90, 30},
    {"back_pressed", 90, 30},
    {"arrow_normal", 28, 28},
    {"arrow_hover", 28, 28},
    {"arrow_pressed", 28, 28},
    {"arrow_right_normal", 28, 28},
    {"arrow_right_hover", 28, 28},
    {"arrow_right_pressed", 28, 28},
    {"switch_on_normal", 96, 28},
    {"switch_on_hover", 96, 28},
    {"switch_off_normal", 96, 28},
    {"switch_off_hover", 96, 28},
}};

std::string art_resource_name(std::string_view name, bool double_size) {
  std::string resource(name);
  for (char& c : resource) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (double_size) resource += "_2X";
  return resource;
}

std::string art_key(std::string_view name, bool double_size) {
  std::string key(name);
  if (double_size) key += "@2x";
  return key;
}

}  // namespace vup
