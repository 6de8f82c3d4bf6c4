// What the application does outside its window: look at the folder it runs from,
// mark and finish an install, copy itself elsewhere and hand over to the copy,
// and write log lines. The program's own environment works on the disk and the
// system; tests give the application a stand-in.
#pragma once

#include <string_view>

#include "fs/platform_path.h"
#include "install/folder_check.h"
#include "install/install_elsewhere.h"

namespace vup {

class ProgramEnvironment {
 public:
  virtual ~ProgramEnvironment() = default;
  // The folder the program runs from checked for the installer.
  [[nodiscard]] virtual FolderCheck check_folder() = 0;
  // Whether the game executable has arrived in the game folder.
  [[nodiscard]] virtual bool game_executable_present() = 0;
  // Writes the install marker; a failure is logged, never an error.
  virtual void write_install_marker() = 0;
  virtual void remove_install_marker() = 0;
  // Copies the program into `target` (made when missing).
  [[nodiscard]] virtual InstallElsewhereResult copy_program(const PathString& target) = 0;
  // Gives up being the one updater of the session, so the copy can be.
  virtual void release_instance() = 0;
  // Starts the copy in `target` with "--install".
  [[nodiscard]] virtual InstallElsewhereResult start_copy(const PathString& target) = 0;
  virtual void log(std::string_view line) = 0;
  // Lets the started copy have the log (it is opened without sharing).
  virtual void close_log() = 0;
};

}  // namespace vup
