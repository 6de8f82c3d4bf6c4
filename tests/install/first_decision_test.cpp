#include "install/first_decision.h"

#include <gtest/gtest.h>

#include "fs/file_primitives.h"
#include "fs/utf8_path.h"
#include "install/install_elsewhere.h"
#include "update/game_files.h"

namespace {

using vup::FirstDecision;
using vup::FirstStep;
using vup::FolderCheck;
using vup::FolderKind;
using vup::PathString;

const PathString folder = vup::path_from_utf8("C:\\Games\\Caf\xC3\xA9");
const PathString subfolder = vup::child_path(folder, "Velmora");

FolderCheck check_of(FolderKind kind, bool unfinished = false) {
  FolderCheck check;
  check.kind = kind;
  check.unfinished_subfolder = unfinished;
  check.target = kind == FolderKind::other ? subfolder : folder;
  return check;
}

TEST(FirstDecision, StepsHeadingsAndTargets) {
  const std::string into_folder = "The game will be downloaded into: " + vup::path_to_utf8(folder);
  const std::string into_subfolder = "The game will be downloaded into: " + vup::path_to_utf8(subfolder);
  struct Case {
    const char* name;
    FolderCheck check;
    bool install_mode;
    FirstStep step;
    const char* status;
    std::string detail;
    PathString target;
  };
  const Case cases[] = {
      {"game", check_of(FolderKind::game), false, FirstStep::update, "Checking for updates...", "", folder},
      {"game, install mode", check_of(FolderKind::game), true, FirstStep::update, "Checking for updates...", "",
       folder},
      {"alone", check_of(FolderKind::updater_alone), false, FirstStep::prompt_here, "Install the game?", into_folder,
       folder},
      {"alone, install mode", check_of(FolderKind::updater_alone), true, FirstStep::install_here,
       "Checking for updates...", "", folder},
      {"started", check_of(FolderKind::install_started), false, FirstStep::install_here, "Checking for updates...",
       "", folder},
      {"moved", check_of(FolderKind::install_moved), false, FirstStep::prompt_here, "Finish installing the game?",
       into_folder, folder},
      {"moved, install mode", check_of(FolderKind::install_moved), true, FirstStep::install_here,
       "Checking for updates...", "", folder},
      {"other", check_of(FolderKind::other), false, FirstStep::prompt_elsewhere, "Install the game?", into_subfolder,
       subfolder},
      {"other, install mode", check_of(FolderKind::other), true, FirstStep::prompt_elsewhere, "Install the game?",
       into_subfolder, subfolder},
      {"other, subfolder started", check_of(FolderKind::other, true), false, FirstStep::prompt_elsewhere,
       "Finish installing the game?", into_subfolder, subfolder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FirstDecision decision = vup::decide_first_step(c.check, c.install_mode);
    EXPECT_EQ(decision.step, c.step);
    EXPECT_EQ(decision.status, c.status);
    EXPECT_EQ(decision.detail, c.detail);
    EXPECT_FALSE(decision.error);
    EXPECT_EQ(decision.target, c.target);
  }
}

TEST(FirstDecision, AFolderThatCannotHoldTheGameSaysWhy) {
  FolderCheck check = check_of(FolderKind::game);
  check.cannot_hold = true;
  check.message = "The game can only be installed on this PC's own drives, not a network folder.";
  for (const bool install_mode : {false, true}) {
    const FirstDecision decision = vup::decide_first_step(check, install_mode);
    EXPECT_EQ(decision.step, FirstStep::cannot_hold);
    EXPECT_EQ(decision.status, "This folder can't hold the game");
    EXPECT_EQ(decision.detail, check.message);
    EXPECT_TRUE(decision.error);
  }
}

TEST(FirstDecision, TheButtonDecidesAgainWhenTheFolderChanged) {
  const FolderCheck prompted = check_of(FolderKind::other);
  FolderCheck same = prompted;
  same.unfinished_subfolder = true;  // the heading may be stale, the install is the same
  same.message = "ignored";
  EXPECT_FALSE(vup::folder_changed(prompted, same));

  FolderCheck cannot = prompted;
  cannot.cannot_hold = true;
  EXPECT_TRUE(vup::folder_changed(prompted, cannot));
  EXPECT_TRUE(vup::folder_changed(prompted, check_of(FolderKind::updater_alone)));
  FolderCheck moved = prompted;
  moved.target = vup::child_path(VUP_PATH("D:\\Elsewhere"), "Velmora");
  EXPECT_TRUE(vup::folder_changed(prompted, moved));
}

TEST(FirstDecision, RetryRunsAsAnInstallOnlyWhileTheStartedInstallLacksTheGame) {
  EXPECT_TRUE(vup::retry_runs_install(true, false));
  EXPECT_FALSE(vup::retry_runs_install(true, true));
  EXPECT_FALSE(vup::retry_runs_install(false, false));
  EXPECT_FALSE(vup::retry_runs_install(false, true));
}

TEST(InstallElsewhere, TextsOfTheCopyAndTheStart) {
  EXPECT_EQ(vup::copy_failure_detail("D:\\Caf\xC3\xA9\\Velmora", 5),
            "Could not copy VelmoraUpdater.exe into D:\\Caf\xC3\xA9\\Velmora (error 5). Put VelmoraUpdater.exe in an "
            "empty folder, then try again.");
  EXPECT_EQ(vup::start_failure_detail("D:\\Velmora\\VelmoraUpdater.exe", 1223),
            "Could not start D:\\Velmora\\VelmoraUpdater.exe (error 1223).");
  EXPECT_EQ(vup::started_log_line(subfolder), "install: started the launcher in " + vup::narrow_ascii(subfolder));
  EXPECT_EQ(vup::started_log_line(vup::path_from_utf8("D:\\Caf\xC3\xA9")), "install: started the launcher in D:\\Caf?");
  const PathString program = vup::child_path(folder, "VelmoraUpdater (1).exe");
  EXPECT_EQ(vup::program_copy_path(subfolder, program), vup::child_path(subfolder, "VelmoraUpdater (1).exe"));
}

}  // namespace
