// The headless updater: the update task (and optionally the pre-launch check) on
// one folder, for game servers and scripted installs.
#pragma once

#include <vector>

#include "fs/platform_path.h"
#include "update/update_settings.h"
#include "update/update_view.h"

namespace vup::tools {

// Runs `velmora-update [--folder DIR] [--install] [--full] [--verify]` with the server and
// key of `settings`, reporting to `view`; returns the process exit code: the
// outcome code, 0 on success, 2 for a command line it does not understand. An
// exception (out of memory) in the update or the check gives code 60.
int run_velmora_update(const std::vector<PathString>& args, UpdateSettings settings, UpdateView& view);

}  // namespace vup::tools
