#include "tools/update/velmora_update.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "fs/file_primitives.h"
#include "tools/common/command_line.h"
#include "tools/common/interrupt.h"
#include "tools/update/advice.h"
#include "update/prelaunch_check.h"
#include "update/update_run.h"

namespace vup::tools {
namespace {

constexpr char usage[] =
    "usage: velmora-update [--folder DIR] [--install] [--full] [--verify]\n"
    "  --folder DIR  the game folder (default: the folder that holds this program)\n"
    "  --install     allow a folder without the game yet, and install it there; a --folder\n"
    "                that does not exist is made when its parent folder exists\n"
    "  --full        read every game file, whatever the saved state says, and repair\n"
    "                what differs (also for --verify); slow on a big game\n"
    "  --verify      after the update, check the game files as before starting the game\n"
    "The exit code is the outcome code: 0 when the folder is up to date.\n";

int usage_error(const std::string& problem) {
  std::fprintf(stderr, "velmora-update: %s\n%s", problem.c_str(), usage);
  return 2;
}

struct FolderReady {
  int exit_code = 0;  // 0 to go on
  bool made = false;  // the folder was made for this install
};

// A game folder named with --folder must be a folder. With --install a missing one
// is made, but only its last level: a mistyped parent is refused, not built.
FolderReady prepare_folder(const PathString& folder, bool install, UpdateView& view) {
  namespace fs = std::filesystem;
  const std::string shown = narrow_ascii(folder);
  std::error_code error;
  const fs::file_status status = fs::status(fs::path(folder), error);
  if (fs::is_directory(status)) return {};
  if (fs::exists(status)) return {usage_error("'" + shown + "' is a file, not a folder"), false};
  if (!install) {
    return {usage_error("the folder '" + shown + "' does not exist (--install makes it to install the game there)"),
            false};
  }
  const fs::path parent = fs::path(folder).parent_path();
  if (!fs::is_directory(fs::status(parent, error))) {
    return {usage_error("the folder '" + shown + "' does not exist, nor does '" + narrow_ascii(parent.native()) +
                        "'; --install makes only the last folder of the path"),
            false};
  }
  if (!fs::create_directory(fs::path(folder), error) || error) {
    std::fprintf(stderr, "velmora-update: cannot make the folder '%s' (error %d)\n", shown.c_str(), error.value());
    return {code_write_failed, false};
  }
  view.line("Made the folder " + shown + " to install the game there.");
  return {0, true};
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

// The value after an option: there must be one, and it must not be the next option.
bool take_value(const std::vector<PathString>& args, std::size_t& i, PathString& value) {
  if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1].rfind(VUP_PATH("--"), 0) == 0) return false;
  value = args[++i];
  return true;
}

}  // namespace

int run_velmora_update(const std::vector<PathString>& args, UpdateSettings settings, UpdateView& view) {
  bool install = false;
  bool verify = false;
  std::optional<PathString> folder;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == VUP_PATH("--install")) {
      install = true;
    } else if (args[i] == VUP_PATH("--verify")) {
      verify = true;
    } else if (args[i] == VUP_PATH("--full")) {
      settings.full_check = true;
    } else if (args[i] == VUP_PATH("--folder")) {
      if (folder) return usage_error("--folder is given twice");
      if (!take_value(args, i, folder.emplace())) return usage_error("--folder needs a folder");
    } else if (args[i] == VUP_PATH("--help") || args[i] == VUP_PATH("-h")) {
      std::fputs(usage, stdout);
      return 0;
    } else {
      return usage_error("unexpected argument '" + narrow_ascii(args[i]) + "'");
    }
  }
  bool made_folder = false;
  if (folder) {
    settings.game_folder = absolute_folder(*folder);
    if (settings.game_folder.empty()) return usage_error("cannot use the folder '" + narrow_ascii(*folder) + "'");
    const FolderReady ready = prepare_folder(settings.game_folder, install, view);
    if (ready.exit_code != 0) return ready.exit_code;
    made_folder = ready.made;
  }

  static std::atomic<bool> stop{false};
  stop_on_interrupt(stop);
  UpdatedFolder updated;
  Outcome outcome = run_update_task(view, stop, updated, install, settings);
  if (outcome.code == code_success && verify) outcome = verify_task(view, updated, stop, settings.full_check);
  if (outcome.code != code_success) {
    // An install that failed leaves no empty folder of its own behind.
    if (made_folder) (void)remove_empty_folder(settings.game_folder);
    try {
      view.line(outcome_line(outcome));
      for (const std::string& line : advice_lines(outcome, settings.update_url)) view.line(line);
    } catch (...) {
      // The exit code still tells the outcome.
    }
  }
  return outcome.code;
}

}  // namespace vup::tools
