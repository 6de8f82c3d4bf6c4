#include "app/screen_state.h"

#include <gtest/gtest.h>

namespace vup {
namespace {

ScreenState in_phase(Phase phase) {
  ScreenState s;
  s.phase = phase;
  return s;
}

TEST(ScreenStateTest, NoticesSetStatusAndDetailByPhase) {
  struct Case {
    Phase phase;
    NoticeCode code;
    const char* text;
    const char* status;
    const char* detail;
  } cases[] = {
      {Phase::updating, NoticeCode::checking_updates, "", "Checking for updates...", ""},
      {Phase::updating, NoticeCode::checking_list, "", "Checking the update...", ""},
      {Phase::starting, NoticeCode::checking_list, "", "Checking the game files...", ""},
      {Phase::updating, NoticeCode::checking_file, "Data/Maps/World.rk", "Checking files...", "World.rk"},
      {Phase::starting, NoticeCode::checking_file, "KSLv41.exe", "Checking the game files...", "KSLv41.exe"},
      {Phase::updating, NoticeCode::downloading, "Data/Music/Theme.rk", "Downloading Theme.rk", "old detail"},
      {Phase::updating, NoticeCode::finishing, "", "Finishing...", ""},
      {Phase::updating, NoticeCode::up_to_date, "", "Ready.", "The game files are up to date"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.code));
    ScreenState s = in_phase(c.phase);
    s.detail = "old detail";
    s.error = true;
    s.progress = 0.5;
    apply_notice(s, c.code, c.text);
    EXPECT_EQ(s.status, c.status);
    EXPECT_EQ(s.detail, c.detail);
    EXPECT_FALSE(s.error);
    EXPECT_EQ(s.phase, c.phase);
  }
  ScreenState s;
  s.progress = 0.5;
  apply_notice(s, NoticeCode::checking_updates, "");
  EXPECT_EQ(s.progress, 0);
  apply_notice(s, NoticeCode::up_to_date, "");
  EXPECT_EQ(s.progress, 1);
}

TEST(ScreenStateTest, ResultsMoveToTheirPhase) {
  ScreenState s;
  EXPECT_TRUE(apply_update_result(s, Outcome{}, 1772841600));
  EXPECT_EQ(s.phase, Phase::ready);
  EXPECT_EQ(s.status, "Ready.");
  EXPECT_EQ(s.detail, "The game files are up to date");
  EXPECT_EQ(s.progress, 1);
  EXPECT_EQ(s.files_date, 1772841600);

  ScreenState failed;
  EXPECT_FALSE(apply_update_result(failed, Outcome{20, "could not reach the update host (x). Try again later."}, 0));
  EXPECT_EQ(failed.phase, Phase::failed);
  EXPECT_EQ(failed.status, "Cannot reach the update server");
  EXPECT_EQ(failed.detail, "Could not reach the update host (x). Try again later.");
  EXPECT_TRUE(failed.error);

  ScreenState started = in_phase(Phase::starting);
  apply_start_result(started, Outcome{});
  EXPECT_EQ(started.phase, Phase::started);
  EXPECT_EQ(started.status, "Starting the game...");

  ScreenState declined = in_phase(Phase::starting);
  declined.progress = 0.25;
  apply_start_result(declined, Outcome{50, "the game needs administrator permission"});
  EXPECT_EQ(declined.phase, Phase::ready);
  EXPECT_EQ(declined.status, "Ready.");
  EXPECT_EQ(declined.detail, "The game needs administrator permission to start.");
  EXPECT_TRUE(declined.error);
  EXPECT_EQ(declined.progress, 0.25);
  EXPECT_TRUE(button_enabled(declined.phase));

  ScreenState refused = in_phase(Phase::starting);
  apply_start_result(refused, Outcome{24, "a file that is not part of the game is in the game folder: x.dll"});
  EXPECT_EQ(refused.phase, Phase::failed);
  EXPECT_EQ(refused.status, "An unknown file was found");
}

TEST(ScreenStateTest, FailureDetailRaisesOnlyAnAsciiLowerCaseFirstLetter) {
  struct Case {
    const char* message;
    const char* detail;
  } cases[] = {
      {"cannot find the game folder", "Cannot find the game folder"},
      {"", "Out of memory"},
      {"Already capital", "Already capital"},
      {"3 files failed", "3 files failed"},
      {"\"quoted\" text", "\"quoted\" text"},
      {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
      {"z", "Z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(failure_detail(c.message), c.detail);
  }
}

TEST(ScreenStateTest, ClosingIsFinal) {
  ScreenState s;
  begin_closing(s);
  s.options_open = false;
  const ScreenState before = s;
  apply_notice(s, NoticeCode::downloading, "a.rk");
  EXPECT_FALSE(apply_update_result(s, Outcome{}, 1772841600));
  apply_start_result(s, Outcome{});
  DownloadProgress p;
  p.bytes_done = 5;
  p.bytes_total = 10;
  apply_progress(s, p);
  EXPECT_EQ(press_main_button(s), ButtonAction::nothing);
  EXPECT_EQ(s.phase, Phase::closing);
  EXPECT_EQ(s.status, before.status);
  EXPECT_EQ(s.detail, "The update carries on the next time you start VelmoraUpdater.");
  EXPECT_EQ(s.progress, before.progress);
  EXPECT_EQ(s.files_date, 0);
}

TEST(ScreenStateTest, ClosingClosesTheOptionsScreen) {
  ScreenState s;
  s.options_open = true;
  s.error = true;
  begin_closing(s);
  EXPECT_EQ(s.status, "Stopping...");
  EXPECT_FALSE(s.options_open);
  EXPECT_FALSE(s.error);
}

TEST(ScreenStateTest, ProgressIsClampedAndTextual) {
  struct Case {
    std::uint64_t done, total;
    double progress;
  } cases[] = {{0, 100, 0.0}, {50, 100, 0.5}, {150, 100, 1.0}, {0, 0, 1.0}};
  for (const Case& c : cases) {
    ScreenState s;
    s.error = true;
    DownloadProgress p;
    p.bytes_done = c.done;
    p.bytes_total = c.total;
    p.file_number = 3;
    p.file_count = 9;
    apply_progress(s, p);
    EXPECT_DOUBLE_EQ(s.progress, c.progress);
    EXPECT_FALSE(s.error);
    EXPECT_EQ(s.detail, progress_text(p));
  }
}

TEST(ScreenStateTest, MainButtonByPhase) {
  struct Case {
    Phase phase;
    InstallMode mode;
    ButtonAction action;
    Phase after;
    const char* caption;
    bool enabled;
  } cases[] = {
      {Phase::confirm_install, InstallMode::here, ButtonAction::install_here, Phase::updating, "Install", true},
      {Phase::confirm_install, InstallMode::elsewhere, ButtonAction::install_elsewhere, Phase::confirm_install,
       "Install", true},
      {Phase::updating, InstallMode::here, ButtonAction::nothing, Phase::updating, "Play", false},
      {Phase::ready, InstallMode::here, ButtonAction::start_game, Phase::starting, "Play", true},
      {Phase::starting, InstallMode::here, ButtonAction::nothing, Phase::starting, "Play", false},
      {Phase::failed, InstallMode::here, ButtonAction::update, Phase::updating, "Retry", true},
      {Phase::closing, InstallMode::here, ButtonAction::nothing, Phase::closing, "Play", false},
      {Phase::started, InstallMode::here, ButtonAction::nothing, Phase::started, "Play", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.phase));
    EXPECT_STREQ(button_caption(c.phase), c.caption);
    EXPECT_EQ(button_enabled(c.phase), c.enabled);
    ScreenState s = in_phase(c.phase);
    s.install_mode = c.mode;
    s.status = "Install the game?";
    s.detail = "some detail";
    s.error = true;
    s.progress = 0.7;
    const ScreenState before = s;
    EXPECT_EQ(press_main_button(s), c.action);
    EXPECT_EQ(s.phase, c.after);
    if (c.action == ButtonAction::nothing || c.action == ButtonAction::install_elsewhere) {
      EXPECT_EQ(s.status, before.status);
      EXPECT_EQ(s.detail, before.detail);
      continue;
    }
    EXPECT_EQ(s.detail, "");
    if (c.action == ButtonAction::start_game) {
      EXPECT_EQ(s.status, "Checking the game files...");
    }
    if (c.action == ButtonAction::update) {
      EXPECT_EQ(s.status, "Checking for updates...");
      EXPECT_FALSE(s.error);
      EXPECT_EQ(s.progress, 0);
    }
  }
}

}  // namespace
}  // namespace vup
