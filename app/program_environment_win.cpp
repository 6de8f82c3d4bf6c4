// Windows: the installer's actions on the real folder and the instance mutex.
#include "app/program_environment_win.h"

#include "app/instance_mutex_win.h"
#include "install/first_decision.h"
#include "install/folder_probe.h"
#include "install/install_marker.h"
#include "log/log.h"

namespace vup {

FolderCheck WindowsEnvironment::check_folder() {
  // Without its own folder the program can only try the update, which says so.
  if (game_folder_.empty()) return FolderCheck{FolderKind::game, false, false, {}, {}};
  return check_program_folder(game_folder_);
}

bool WindowsEnvironment::game_executable_present() { return vup::game_executable_present(game_folder_); }

void WindowsEnvironment::write_install_marker() {
  vup::write_install_marker(game_folder_, [this](std::string_view line) { log(line); });
}

void WindowsEnvironment::remove_install_marker() { vup::remove_install_marker(game_folder_); }

InstallElsewhereResult WindowsEnvironment::copy_program(const PathString& target) {
  return vup::copy_program(own_program_path(), target);
}

void WindowsEnvironment::release_instance() { release_instance_mutex(); }

InstallElsewhereResult WindowsEnvironment::start_copy(const PathString& target) {
  return start_program_copy(target, program_copy_path(target, own_program_path()));
}

void WindowsEnvironment::log(std::string_view line) {
  // The log opens with the first update run; a line from the window side can come
  // before that (the install's first steps), so it opens the log itself. A later
  // opening in the process changes nothing.
  open_log();
  write_log_line(line);
}

}  // namespace vup

namespace vup {

void WindowsEnvironment::close_log() { vup::close_log(); }

}  // namespace vup
