// The application's window-side logic, with the window's queue played by the test.
#include "app/app.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/fake_options_file.h"
#include "tests/support/window_queue.h"

namespace vup {
namespace {

using test::FakeOptionsFile;
using test::WindowQueue;

class FakeHost final : public WindowHost {
 public:
  void repaint() override { ++repaints; }
  void minimise() override { ++minimised; }
  void destroy_window() override { ++destroyed; }
  int repaints = 0;
  int minimised = 0;
  int destroyed = 0;
};

// An update that waits for the stop flag when told to, and a start that succeeds.
class FakeTasks final : public WorkerTasks {
 public:
  std::atomic<bool> hold_update{false};
  std::atomic<bool> fail_next{false};
  std::atomic<int> updates{0};
  std::atomic<int> installs{0};
  std::atomic<int> starts{0};

  Outcome update(UpdateView& view, const std::atomic<bool>& stop, UpdatedFolder& folder, bool installing) override {
    (installing ? installs : updates)++;
    view.notice(NoticeCode::checking_updates, "");
    while (hold_update.load() && !stop.load()) std::this_thread::yield();
    if (stop.load()) return Outcome{40, "the update was stopped before it finished. Run VelmoraUpdater again to finish it."};
    if (fail_next.exchange(false)) return Outcome{20, "could not reach the update host (x). Try again later."};
    folder.ready = true;
    folder.folder = VUP_PATH("game");
    folder.seq = 1772841600;
    folder.entries.resize(1);
    folder.local_paths.resize(1);
    return Outcome{};
  }
  Outcome start_game(UpdateView&, const UpdatedFolder&, const std::atomic<bool>&) override {
    starts++;
    return Outcome{};
  }
};

// The folder as the test sets it up, and what the installer did to it.
class FakeEnvironment final : public ProgramEnvironment {
 public:
  FolderCheck check{FolderKind::game, false, false, VUP_PATH("game"), {}};
  bool executable_present = true;
  InstallElsewhereResult copy_result{true, 0, {}, {}, {}};
  InstallElsewhereResult start_result{true, 0, {}, {}, "install: started the launcher in game/Velmora"};
  int checks = 0;
  std::vector<std::string> actions;

  FolderCheck check_folder() override {
    ++checks;
    return check;
  }
  bool game_executable_present() override { return executable_present; }
  void write_install_marker() override { actions.push_back("marker"); }
  void remove_install_marker() override { actions.push_back("remove marker"); }
  InstallElsewhereResult copy_program(const PathString& target) override {
    actions.push_back("copy to " + std::string(target.begin(), target.end()));
    return copy_result;
  }
  void release_instance() override { actions.push_back("release"); }
  InstallElsewhereResult start_copy(const PathString& target) override {
    actions.push_back("start in " + std::string(target.begin(), target.end()));
    return start_result;
  }
  void log(std::string_view line) override { actions.push_back("log " + std::string(line)); }
  void close_log() override { actions.push_back("close log"); }
};

FolderCheck folder_of_kind(FolderKind kind, const PathString& target = VUP_PATH("game")) {
  return FolderCheck{kind, false, false, target, {}};
}

class AppTest : public testing::Test {
 protected:
  void SetUp() override {
    options_file.present = true;
    start();
  }
  void start(bool install_mode = false) {
    std::string error;
    ASSERT_TRUE(app.start(install_mode, error)) << error;
  }
  // Plays the window's queue until a message of the finished kinds was handled.
  void pump_until_result() {
    for (;;) {
      auto message = queue.take();
      ASSERT_TRUE(message) << "no result from the worker";
      if (message->message == message_progress) {
        app.on_progress();
        continue;
      }
      const bool finished = message->record->kind != MessageKind::notice;
      app.on_worker_message(std::move(message->record));
      if (finished) return;
    }
  }

  WindowQueue queue;
  FakeHost host;
  FakeTasks tasks;
  FakeEnvironment environment;
  FakeOptionsFile options_file;
  OptionsStore options{options_file, [this](std::string_view line) { environment.log(line); }};
  App app{host, queue, tasks, environment, options};
};

// The same application before it starts: each test sets up its folder first.
class InstallTest : public AppTest {
 protected:
  void SetUp() override {}
};

TEST_F(AppTest, UpdateThenPlayStartsTheGameAndCloses) {
  pump_until_result();
  EXPECT_EQ(app.screen().phase, Phase::ready);
  EXPECT_EQ(app.screen().files_date, 1772841600);
  EXPECT_EQ(host.destroyed, 0);

  app.on_enter();
  EXPECT_EQ(app.screen().phase, Phase::starting);
  pump_until_result();
  EXPECT_EQ(tasks.starts.load(), 1);
  EXPECT_EQ(app.screen().phase, Phase::started);
  EXPECT_EQ(host.destroyed, 1);
}

TEST_F(AppTest, ClosingWhileIdleEndsAtOnce) {
  pump_until_result();
  app.on_close();
  EXPECT_EQ(host.destroyed, 1);
  EXPECT_EQ(app.screen().phase, Phase::ready);
}

TEST_F(AppTest, ClosingDuringARunWaitsForItsResult) {
  pump_until_result();
  tasks.hold_update = true;
  // Retry path: put the screen into phase 4 through a failed start.
  auto failed = std::make_unique<WorkerMessage>();
  failed->kind = MessageKind::start_finished;
  failed->outcome = Outcome{23, "a.rk has changed since the update. Run the update again to repair it."};
  app.on_worker_message(std::move(failed));
  ASSERT_EQ(app.screen().phase, Phase::failed);
  app.click(Control::options);
  app.on_enter();  // nothing while the options screen is open
  EXPECT_EQ(app.screen().phase, Phase::failed);
  app.on_escape();
  EXPECT_FALSE(app.screen().options_open);
  app.on_enter();  // Retry
  ASSERT_EQ(app.screen().phase, Phase::updating);
  app.click(Control::options);

  app.on_close();
  EXPECT_EQ(app.screen().phase, Phase::closing);
  EXPECT_EQ(app.screen().status, "Stopping...");
  EXPECT_FALSE(app.screen().options_open);
  EXPECT_EQ(host.destroyed, 0);
  app.on_close();  // ignored while closing
  pump_until_result();
  EXPECT_EQ(app.screen().status, "Stopping...");
  EXPECT_EQ(host.destroyed, 1);
  EXPECT_EQ(tasks.updates.load(), 2);
}

TEST_F(AppTest, PressAndReleaseOnTheSameControlClicks) {
  pump_until_result();
  // Press on minimise, slide off, release: nothing.
  app.pointer_moved(680, 60);
  app.button_down(680, 60);
  app.pointer_moved(100, 100);
  EXPECT_EQ(app.pointer().hovered, Control::none);
  EXPECT_EQ(app.pointer().pressed, Control::minimise);
  app.button_up(100, 100);
  EXPECT_EQ(host.minimised, 0);
  EXPECT_EQ(app.pointer().pressed, Control::none);
  // Press, slide off and back on, release: a click.
  app.button_down(680, 60);
  app.pointer_moved(100, 100);
  app.pointer_left();
  app.pointer_moved(690, 70);
  app.button_up(690, 70);
  EXPECT_EQ(host.minimised, 1);
}

TEST_F(AppTest, RepaintsOnlyWhenTheHoveredControlChanges) {
  pump_until_result();
  app.pointer_moved(400, 100);
  const int before = host.repaints;
  app.pointer_moved(410, 110);
  app.pointer_moved(680, 60);
  app.pointer_moved(690, 70);
  EXPECT_EQ(host.repaints, before + 1);
  app.pointer_left();
  EXPECT_EQ(app.pointer().hovered, Control::none);
  EXPECT_EQ(host.repaints, before + 2);
  app.pointer_left();
  EXPECT_EQ(host.repaints, before + 2);
}

TEST_F(AppTest, OptionClicksStepWithoutWrappingAndSaveAtOnce) {
  app.click(Control::options);
  ASSERT_TRUE(app.screen().options_open);
  app.click(Control::size_previous);
  EXPECT_EQ(app.options().size_index, 0);
  const int writes_at_zero = options_file.writes_tried;
  EXPECT_GT(writes_at_zero, 0) << "a click that changes nothing still saves";
  for (int i = 0; i < 6; ++i) app.click(Control::size_next);
  EXPECT_EQ(app.options().size_index, 4);
  EXPECT_EQ(options_file.values["screen/width"], 1920);
  app.click(Control::music);
  EXPECT_FALSE(app.options().music);
  EXPECT_EQ(options_file.values["launcher/music"], 0);
  app.click(Control::back);
  EXPECT_FALSE(app.screen().options_open);
  app.click(Control::options);
  app.click(Control::options);
  // Seven saves at a size other than 800 x 600, six entries each.
  EXPECT_EQ(options_file.writes_tried, writes_at_zero + 7 * 6) << "opening and closing writes nothing";
  pump_until_result();
}

TEST_F(InstallTest, AloneInAFolderAsksThenInstallsHereAndFinishes) {
  environment.check = folder_of_kind(FolderKind::updater_alone);
  environment.executable_present = false;
  start();
  EXPECT_EQ(app.screen().phase, Phase::confirm_install);
  EXPECT_EQ(app.screen().status, "Install the game?");
  EXPECT_EQ(app.screen().detail, "The game will be downloaded into: game");
  EXPECT_TRUE(environment.actions.empty());

  // Options changed before the game is there are held, and the footer says so.
  app.click(Control::options);
  app.click(Control::music);
  EXPECT_EQ(options_file.writes_tried, 0);
  app.click(Control::options);

  app.on_enter();  // Install: the folder is checked again, unchanged
  EXPECT_EQ(environment.checks, 2);
  EXPECT_EQ(app.screen().phase, Phase::updating);
  EXPECT_EQ(environment.actions, (std::vector<std::string>{"marker"}));
  pump_until_result();
  EXPECT_EQ(tasks.installs.load(), 1);
  EXPECT_EQ(tasks.updates.load(), 0);
  EXPECT_EQ(app.screen().phase, Phase::ready);
  EXPECT_EQ(environment.actions, (std::vector<std::string>{"marker", "remove marker"}));
  EXPECT_EQ(options_file.values["launcher/music"], 0) << "held options are written once installed";
}

TEST_F(InstallTest, InstallModeAndAStartedInstallGoOnWithoutAsking) {
  struct Case {
    FolderKind kind;
    bool install_mode;
    bool asks;
  } cases[] = {
      {FolderKind::updater_alone, true, false},
      {FolderKind::install_moved, true, false},
      {FolderKind::install_started, false, false},
      {FolderKind::install_moved, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    WindowQueue case_queue;
    FakeHost case_host;
    FakeTasks case_tasks;
    FakeEnvironment case_environment;
    case_environment.check = folder_of_kind(c.kind);
    FakeOptionsFile file;
    OptionsStore store(file);
    App case_app(case_host, case_queue, case_tasks, case_environment, store);
    std::string error;
    ASSERT_TRUE(case_app.start(c.install_mode, error));
    EXPECT_EQ(case_app.screen().phase, c.asks ? Phase::confirm_install : Phase::updating);
    if (c.asks) {
      EXPECT_EQ(case_app.screen().status, "Finish installing the game?");
    }
    EXPECT_EQ(case_environment.actions.size(), c.asks ? 0u : 1u);
  }
}

TEST_F(InstallTest, AFolderThatCannotHoldTheGameSaysWhyAndRetryDecidesAgain) {
  environment.check = FolderCheck{FolderKind::other, true, false, VUP_PATH("game/Velmora"),
                                  "This folder has other files in it, and game/Velmora already exists with other files."};
  start();
  EXPECT_EQ(app.screen().phase, Phase::failed);
  EXPECT_EQ(app.screen().status, "This folder can't hold the game");
  EXPECT_TRUE(app.screen().error);
  EXPECT_EQ(app.screen().detail, environment.check.message);
  EXPECT_EQ(tasks.updates.load() + tasks.installs.load(), 0);

  environment.check = folder_of_kind(FolderKind::game);
  app.on_enter();  // Retry: the first decision again
  EXPECT_EQ(environment.checks, 2);
  EXPECT_EQ(app.screen().phase, Phase::updating);
  pump_until_result();
  EXPECT_EQ(tasks.updates.load(), 1);
}

TEST_F(InstallTest, InstallElsewhereCopiesHandsOverAndCloses) {
  environment.check = folder_of_kind(FolderKind::other, VUP_PATH("game/Velmora"));
  start();
  EXPECT_EQ(app.screen().status, "Install the game?");
  EXPECT_EQ(app.screen().detail, "The game will be downloaded into: game/Velmora");
  app.on_enter();
  EXPECT_EQ(environment.actions, (std::vector<std::string>{"copy to game/Velmora", "release", "start in game/Velmora",
                                                           "log install: started the launcher in game/Velmora",
                                                           "close log"}));
  EXPECT_EQ(host.destroyed, 1);
  EXPECT_EQ(app.screen().phase, Phase::confirm_install);
}

TEST_F(InstallTest, AFailedCopyOrStartShowsWhatFailedAndRetryDecidesAgain) {
  for (const bool copy_fails : {true, false}) {
    SCOPED_TRACE(copy_fails);
    WindowQueue case_queue;
    FakeHost case_host;
    FakeTasks case_tasks;
    FakeEnvironment case_environment;
    case_environment.check = folder_of_kind(FolderKind::other, VUP_PATH("game/Velmora"));
    InstallElsewhereResult failed{false, 5, "The game folder could not be made", "Could not copy ... (error 5).", {}};
    (copy_fails ? case_environment.copy_result : case_environment.start_result) = failed;
    FakeOptionsFile file;
    OptionsStore store(file);
    App case_app(case_host, case_queue, case_tasks, case_environment, store);
    std::string error;
    ASSERT_TRUE(case_app.start(false, error));
    case_app.on_enter();
    EXPECT_EQ(case_app.screen().phase, Phase::failed);
    EXPECT_EQ(case_app.screen().status, "The game folder could not be made");
    EXPECT_EQ(case_app.screen().detail, "Could not copy ... (error 5).");
    EXPECT_EQ(case_host.destroyed, 0);
    EXPECT_EQ(case_environment.actions.size(), copy_fails ? 1u : 3u);
    case_app.on_enter();  // Retry asks again
    EXPECT_EQ(case_app.screen().phase, Phase::confirm_install);
    EXPECT_EQ(case_environment.checks, 3);
  }
}

TEST_F(InstallTest, AFolderChangedWhileThePromptWaitedIsDecidedAgain) {
  environment.check = folder_of_kind(FolderKind::updater_alone);
  start();
  ASSERT_EQ(app.screen().phase, Phase::confirm_install);
  environment.check = folder_of_kind(FolderKind::game);  // the player copied the game in meanwhile
  app.on_enter();
  EXPECT_TRUE(environment.actions.empty()) << "nothing installed";
  EXPECT_EQ(app.screen().phase, Phase::updating);
  pump_until_result();
  EXPECT_EQ(tasks.updates.load(), 1);
  EXPECT_EQ(tasks.installs.load(), 0);
}

TEST_F(InstallTest, RetryAfterAFailedFirstInstallInstallsAgain) {
  environment.check = folder_of_kind(FolderKind::updater_alone);
  environment.executable_present = false;
  tasks.fail_next = true;
  start(/*install_mode=*/true);
  pump_until_result();
  ASSERT_EQ(app.screen().phase, Phase::failed);
  tasks.fail_next = true;
  app.on_enter();
  pump_until_result();
  EXPECT_EQ(tasks.installs.load(), 2);
  ASSERT_EQ(app.screen().phase, Phase::failed);
  // Once the game executable is there, Retry is an ordinary update.
  environment.executable_present = true;
  app.on_enter();
  pump_until_result();
  EXPECT_EQ(tasks.installs.load(), 2);
  EXPECT_EQ(tasks.updates.load(), 1);
  EXPECT_EQ(app.screen().phase, Phase::ready);
}

}  // namespace
}  // namespace vup
