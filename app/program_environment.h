// What the application does outside its window: look at the folder it runs from,
// mark and finish an install, copy itself elsewhere and hand over to the copy or
// to a new launcher, and write log lines. The program's own environment works on
// the disk and the system; tests give the application a stand-in.
#pragma once

#include <optional>
#include <string_view>

#include "fs/platform_path.h"
#include "install/folder_check.h"
#include "install/install_elsewhere.h"
#include "options/game_options.h"

namespace vup {

class ProgramEnvironment {
 public:
  virtual ~ProgramEnvironment() = default;
  // The folder the program runs from checked for the installer.
  [[nodiscard]] virtual FolderCheck check_folder() = 0;
  // Whether the game executable has arrived in the game folder.
  [[nodiscard]] virtual bool game_executable_present() = 0;
  // Writes the install marker into `folder` (the game folder, or the subfolder a
  // copy installs into), with the options held for the install when given. A
  // failure is logged, never an error.
  virtual void write_install_marker(const PathString& folder, const std::optional<GameOptions>& held) = 0;
  // The options held in the marker in `folder` (the game folder or the subfolder)
  // by the process that started the install; none when it holds none.
  [[nodiscard]] virtual std::optional<GameOptions> marker_held_options(const PathString& folder) = 0;
  virtual void remove_install_marker() = 0;
  // Copies the program into `target` (made when missing).
  [[nodiscard]] virtual InstallElsewhereResult copy_program(const PathString& target) = 0;
  // Gives up being the one updater of the session, so that a started program can be.
  virtual void release_instance() = 0;
  // Becomes the one updater of the session again (after a start that failed).
  virtual void reclaim_instance() = 0;
  // Starts `program` in `folder` with `arguments`. False with the platform's error
  // code when it did not start.
  [[nodiscard]] virtual bool start_program(const PathString& program, const PathString& folder,
                                           const PathString& arguments, int& error) = 0;
  virtual void log(std::string_view line) = 0;
  // Lets the started program have the log (it is opened without sharing).
  virtual void close_log() = 0;
  // Opens the log in a program that another one may just have handed over to (the
  // install's copy, or the new launcher after an update of the launcher): that one
  // may hold the log for a moment still, so the opening waits a little for it.
  virtual void open_log_after_hand_over() = 0;
  // Deletes the backups that a launcher which swapped itself out left beside its
  // successor, waiting a little while the old one ends; one still held is logged
  // and left for a later start.
  virtual void remove_launcher_backups() = 0;
  // The running program's own file, and the folder that holds it.
  [[nodiscard]] virtual PathString own_program() = 0;
  [[nodiscard]] virtual PathString game_folder() = 0;
};

}  // namespace vup
