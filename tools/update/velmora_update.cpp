#include "tools/update/velmora_update.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "fs/file_primitives.h"
#include "tools/common/command_line.h"
#include "tools/common/interrupt.h"
#include "update/prelaunch_check.h"
#include "update/update_run.h"

namespace vup::tools {
namespace {

constexpr char usage[] =
    "usage: velmora-update [--folder DIR] [--install] [--full] [--verify]\n"
    "  --folder DIR  the game folder (default: the folder that holds this program)\n"
    "  --install     allow a folder without the game yet, and install it there\n"
    "  --full        read every game file, whatever the saved state says, and repair\n"
    "                what differs (also for --verify); slow on a big game\n"
    "  --verify      after the update, check the game files as before starting the game\n"
    "The exit code is the outcome code: 0 when the folder is up to date.\n";

int usage_error(const std::string& problem) {
  std::fprintf(stderr, "velmora-update: %s\n%s", problem.c_str(), usage);
  return 2;
}

// The check before starting the game, as its own task: an exception (out of
// memory) is an outcome too.
Outcome verify_task(UpdateView& view, const UpdatedFolder& updated, const std::atomic<bool>& stop,
                    bool full_check) noexcept {
  try {
    Reporter reporter(view);
    Outcome outcome = check_files(reporter, updated, stop, full_check);
    if (outcome.code == code_success) reporter.line("The game files are complete and unchanged.");
    return outcome;
  } catch (...) {
    return unexpected_error_outcome("unexpected error");
  }
}

}  // namespace

int run_velmora_update(const std::vector<PathString>& args, UpdateSettings settings, UpdateView& view) {
  bool install = false;
  bool verify = false;
  PathString folder;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == VUP_PATH("--install")) {
      install = true;
    } else if (args[i] == VUP_PATH("--verify")) {
      verify = true;
    } else if (args[i] == VUP_PATH("--full")) {
      settings.full_check = true;
    } else if (args[i] == VUP_PATH("--folder") && i + 1 < args.size() && folder.empty()) {
      folder = args[++i];
      if (folder.empty()) return usage_error("--folder needs a folder");
    } else if (args[i] == VUP_PATH("--help") || args[i] == VUP_PATH("-h")) {
      std::fputs(usage, stdout);
      return 0;
    } else {
      return usage_error("unexpected argument '" + narrow_ascii(args[i]) + "'");
    }
  }
  if (!folder.empty()) {
    settings.game_folder = absolute_folder(folder);
    if (settings.game_folder.empty()) return usage_error("cannot use the folder '" + narrow_ascii(folder) + "'");
  }

  static std::atomic<bool> stop{false};
  stop_on_interrupt(stop);
  UpdatedFolder updated;
  Outcome outcome = run_update_task(view, stop, updated, install, settings);
  if (outcome.code == code_success && verify) outcome = verify_task(view, updated, stop, settings.full_check);
  if (outcome.code != code_success) {
    try {
      view.line(std::string(outcome_short_text(outcome.code)) + ": " +
                (outcome.message.empty() ? std::string("out of memory") : outcome.message));
    } catch (...) {
      // The exit code still tells the outcome.
    }
  }
  return outcome.code;
}

}  // namespace vup::tools
