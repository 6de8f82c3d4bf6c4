// Windows: the installer's actions on the real folder and the instance mutex.
#include "app/program_environment_win.h"

#include <chrono>

#include "app/instance_mutex_win.h"
#include "fs/file_primitives.h"
#include "install/first_decision.h"
#include "install/folder_probe.h"
#include "install/install_marker.h"
#include "log/log.h"
#include "update/launcher.h"

namespace vup {

FolderCheck WindowsEnvironment::check_folder() {
  // Without its own folder the program can only try the update, which says so.
  if (game_folder_.empty()) return FolderCheck{FolderKind::game, false, false, {}, {}};
  return check_program_folder(game_folder_);
}

bool WindowsEnvironment::game_executable_present() { return vup::game_executable_present(game_folder_); }

void WindowsEnvironment::write_install_marker(const PathString& folder, const std::optional<GameOptions>& held) {
  vup::write_install_marker(folder, held, [this](std::string_view line) { log(line); });
}

std::optional<GameOptions> WindowsEnvironment::marker_held_options(const PathString& folder) {
  return read_marker_held_options(folder);
}

void WindowsEnvironment::remove_install_marker() { vup::remove_install_marker(game_folder_); }

InstallElsewhereResult WindowsEnvironment::copy_program(const PathString& target) {
  return vup::copy_program(program_path(), target);
}

void WindowsEnvironment::release_instance() { release_instance_mutex(); }

void WindowsEnvironment::reclaim_instance() { reclaim_instance_mutex(); }

bool WindowsEnvironment::start_program(const PathString& program, const PathString& folder,
                                       const PathString& arguments, int& error) {
  return vup::start_program(program, folder, arguments, error);
}

void WindowsEnvironment::log(std::string_view line) {
  // The log opens with the first update run; a line from the window side can come
  // before that (the install's first steps), so it opens the log itself. A later
  // opening in the process changes nothing.
  open_log();
  write_log_line(line);
}

void WindowsEnvironment::close_log() { vup::close_log(); }

void WindowsEnvironment::open_log_after_hand_over() {
  // The other process lets go of the log right after starting this one; a few
  // seconds cover a slow disk or a busy scanner.
  open_log_waiting(std::chrono::seconds(3));
}

void WindowsEnvironment::remove_launcher_backups() {
  if (game_folder_.empty()) return;
  const auto pause = [](int milliseconds) { return pause_unless_stopped(milliseconds, nullptr); };
  for (const KeptBackup& kept : vup::remove_launcher_backups(game_folder_, pause, launcher_backup_wait_ms)) {
    log("update: could not delete " + kept.name + " yet (error " + std::to_string(kept.error) +
        "); a later start tries again");
  }
}

PathString WindowsEnvironment::own_program() { return program_path(); }

}  // namespace vup
