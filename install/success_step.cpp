#include "install/success_step.h"

#include "install/install_marker.h"

namespace vup {

void after_successful_update(const PathString& game_folder, OptionsStore& options) {
  remove_install_marker(game_folder);
  options.after_successful_update();
}

}  // namespace vup
