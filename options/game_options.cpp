#include "options/game_options.h"

namespace vup {

WindowSize window_size(int index) {
  static constexpr WindowSize sizes[] = {{800, 600}, {1024, 768}, {1366, 768}, {1600, 900}, {1920, 1080}};
  return index >= 0 && index < 5 ? sizes[index] : sizes[0];
}

}  // namespace vup
