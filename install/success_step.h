// What follows an update run that ended well, on the window thread: the install
// (if one was running) is finished, so its marker goes, and the options file may
// be written from now on, with any held options written at once.
#pragma once

#include "fs/platform_path.h"
#include "options/options_store.h"

namespace vup {

void after_successful_update(const PathString& game_folder, OptionsStore& options);

}  // namespace vup
