// velmora-update: the headless updater with the server and key built into this release.
#include <cstdio>

#include "tools/common/command_line.h"
#include "tools/common/dll_search.h"
#include "tools/update/console_view.h"
#include "tools/update/velmora_update.h"

int main(int argc, char** argv) {
  vup::tools::restrict_dll_search();
  vup::tools::ConsoleView view(stderr);
  return vup::tools::run_velmora_update(vup::tools::command_line_arguments(argc, argv),
                                        vup::builtin_update_settings(), view);
}
