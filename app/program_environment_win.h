// Windows: the program's own environment, on the folder that holds it.
#pragma once

#include "app/program_environment.h"

namespace vup {

class WindowsEnvironment final : public ProgramEnvironment {
 public:
  // `game_folder`: the folder of the running program.
  explicit WindowsEnvironment(PathString game_folder) : game_folder_(std::move(game_folder)) {}

  FolderCheck check_folder() override;
  bool game_executable_present() override;
  void write_install_marker(const PathString& folder, const std::optional<GameOptions>& held) override;
  std::optional<GameOptions> marker_held_options(const PathString& folder) override;
  void remove_install_marker() override;
  InstallElsewhereResult copy_program(const PathString& target) override;
  void release_instance() override;
  void reclaim_instance() override;
  bool start_program(const PathString& program, const PathString& folder, const PathString& arguments,
                     int& error) override;
  void log(std::string_view line) override;
  void close_log() override;
  void open_log_after_hand_over() override;
  void remove_launcher_backups() override;
  PathString own_program() override;
  PathString game_folder() override { return game_folder_; }

 private:
  PathString game_folder_;
};

}  // namespace vup
