// The application's window-side logic, with the window's queue played by the test.
#include "app/app.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "tests/support/fake_options_file.h"
#include "tests/support/window_queue.h"

namespace vup {
namespace {

using test::FakeOptionsFile;
using test::WindowQueue;

#if defined(__SANITIZE_THREAD__)
constexpr bool under_thread_sanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool under_thread_sanitizer = true;
#else
constexpr bool under_thread_sanitizer = false;
#endif
#else
constexpr bool under_thread_sanitizer = false;
#endif

class FakeHost final : public WindowHost {
 public:
  void repaint() override { ++repaints; }
  void minimise() override { ++minimised; }
  void destroy_window() override { ++destroyed; }
  void hide_window() override { steps.push_back("hide"); }
  void remove_worker_messages() override { steps.push_back("remove messages"); }
  void end_message_loop() override { steps.push_back("end loop"); }
  int repaints = 0;
  int minimised = 0;
  int destroyed = 0;
  std::vector<std::string> steps;  // of the window's destruction
};

// An update that waits for the stop flag when told to, and a start that succeeds.
class FakeTasks final : public WorkerTasks {
 public:
  std::atomic<bool> hold_update{false};
  std::atomic<bool> fail_next{false};
  std::atomic<int> updates{0};
  std::atomic<int> installs{0};
  std::atomic<int> starts{0};
  std::function<void()> during_update;  // run on the worker thread by the next update
  std::atomic<bool> replace_launcher{false};  // a successful update swaps in a new launcher

  Outcome update(UpdateView& view, const std::atomic<bool>& stop, UpdatedFolder& folder, bool installing) override {
    (installing ? installs : updates)++;
    if (during_update) std::exchange(during_update, nullptr)();
    view.notice(NoticeCode::checking_updates, "");
    while (hold_update.load() && !stop.load()) std::this_thread::yield();
    if (stop.load()) return Outcome{40, "the update was stopped before it finished. Run VelmoraUpdater again to finish it."};
    if (fail_next.exchange(false)) return Outcome{20, "could not reach the update host (x). Try again later."};
    folder.ready = true;
    folder.folder = VUP_PATH("game");
    folder.seq = 1772841600;
    folder.entries.resize(1);
    folder.local_paths.resize(1);
    folder.launcher_replaced = replace_launcher.load();
    return Outcome{};
  }
  Outcome start_game(UpdateView&, const UpdatedFolder&, const std::atomic<bool>&) override {
    starts++;
    if (fail_next.exchange(false)) return Outcome{23, "a.rk has changed since the update. Run the update again to repair it."};
    return Outcome{};
  }
};

std::string narrow(const PathString& path) { return std::string(path.begin(), path.end()); }

// The folder as the test sets it up, and what the installer did to it.
class FakeEnvironment final : public ProgramEnvironment {
 public:
  FolderCheck check{FolderKind::game, false, false, VUP_PATH("game"), {}};
  bool executable_present = true;
  InstallElsewhereResult copy_result{true, 0, {}, {}, VUP_PATH("game/Velmora/VelmoraUpdater.exe")};
  int start_error = 0;  // 0: the started program runs
  std::optional<GameOptions> marker_options;
  int checks = 0;
  std::vector<std::string> actions;
  std::vector<std::string> start_steps;  // the log, the backups and the folder check, in their order

  FolderCheck check_folder() override {
    ++checks;
    start_steps.push_back("check folder");
    return check;
  }
  bool game_executable_present() override { return executable_present; }
  void write_install_marker(const PathString& folder, const std::optional<GameOptions>& held) override {
    std::string action = "marker in " + narrow(folder);
    if (held) {
      action += " holding size " + std::to_string(held->size_index) + (held->music ? " music" : " no music");
    }
    actions.push_back(action);
  }
  std::optional<GameOptions> marker_held_options(const PathString& folder) override {
    return folder == check.target ? marker_options : std::nullopt;
  }
  void remove_install_marker() override { actions.push_back("remove marker"); }
  InstallElsewhereResult copy_program(const PathString& target) override {
    actions.push_back("copy to " + narrow(target));
    return copy_result;
  }
  void release_instance() override { actions.push_back("release"); }
  void reclaim_instance() override { actions.push_back("reclaim"); }
  bool start_program(const PathString& program, const PathString& folder, const PathString& arguments,
                     int& error) override {
    actions.push_back("start " + narrow(program) + " " + narrow(arguments) + " in " + narrow(folder));
    error = start_error;
    return start_error == 0;
  }
  void log(std::string_view line) override { actions.push_back("log " + std::string(line)); }
  void close_log() override { actions.push_back("close log"); }
  void open_log_after_hand_over() override { start_steps.push_back("take over the log"); }
  void remove_launcher_backups() override { start_steps.push_back("remove launcher backups"); }
  PathString own_program() override { return VUP_PATH("game/VelmoraUpdater.exe"); }
  PathString game_folder() override { return VUP_PATH("game"); }
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
      // The parameter is the address of a record the view still holds.
      const bool finished = reinterpret_cast<const WorkerMessage*>(message->parameter)->kind != MessageKind::notice;
      app.on_worker_message(message->parameter);
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

// Whoever handed over to this start may still hold the log and its own file: the
// log is waited for and the launcher's backups go before the folder is looked at.
TEST_F(AppTest, AStartTakesOverTheLogAndRemovesLauncherBackupsFirst) {
  EXPECT_EQ(environment.start_steps,
            (std::vector<std::string>{"take over the log", "remove launcher backups", "check folder"}));
}

// The same application before it starts, with a run that swaps in a new launcher.
class LauncherUpdateTest : public AppTest {
 protected:
  void SetUp() override { tasks.replace_launcher = true; }
};

TEST_F(LauncherUpdateTest, AtReadyTheNewLauncherTakesOverOrThisOneStaysReady) {
  for (const int start_error : {0, 5}) {
    SCOPED_TRACE(start_error);
    WindowQueue case_queue;
    FakeHost case_host;
    FakeEnvironment case_environment;
    case_environment.start_error = start_error;
    FakeOptionsFile file;
    file.present = true;
    OptionsStore store(file);
    App case_app(case_host, case_queue, tasks, case_environment, store);
    std::string error;
    ASSERT_TRUE(case_app.start(false, error));
    for (;;) {
      const auto message = case_queue.take();
      ASSERT_TRUE(message) << "no result from the worker";
      if (message->message == message_progress) continue;
      const bool finished = reinterpret_cast<const WorkerMessage*>(message->parameter)->kind != MessageKind::notice;
      case_app.on_worker_message(message->parameter);
      if (finished) break;
    }
    EXPECT_EQ(case_app.screen().phase, Phase::ready);
    EXPECT_EQ(case_app.screen().status, "Ready.");
    std::vector<std::string> expected = {"remove marker", "release", "start game/VelmoraUpdater.exe  in game"};
    if (start_error == 0) {
      expected.insert(expected.end(), {"log update: the launcher was updated; started the new one", "close log"});
      EXPECT_EQ(case_host.destroyed, 1);
    } else {
      expected.insert(expected.end(),
                      {"reclaim", "log update: could not start the new launcher (error 5); the next start runs it"});
      EXPECT_EQ(case_host.destroyed, 0);
      EXPECT_TRUE(button_enabled(case_app.screen().phase)) << "Play stays enabled";
    }
    EXPECT_EQ(case_environment.actions, expected);
  }
}

TEST_F(AppTest, ClosingWhileIdleEndsAtOnce) {
  pump_until_result();
  app.on_close();
  EXPECT_EQ(host.destroyed, 1);
  EXPECT_EQ(app.screen().phase, Phase::ready);
}

TEST_F(AppTest, ClosingDuringARunWaitsForItsResult) {
  pump_until_result();
  // Retry path: put the screen into phase 4 through a failed start.
  tasks.fail_next = true;
  app.on_enter();
  pump_until_result();
  ASSERT_EQ(app.screen().phase, Phase::failed);
  tasks.hold_update = true;
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

TEST_F(AppTest, AWorkerMessageThatTheViewDidNotPostChangesNothing) {
  pump_until_result();
  const int repaints = host.repaints;
  // A record of the kind that would end the program, posted by someone else.
  WorkerMessage stray;
  stray.kind = MessageKind::start_finished;
  app.on_worker_message(reinterpret_cast<std::uintptr_t>(&stray));
  app.on_worker_message(0);
  EXPECT_EQ(app.screen().phase, Phase::ready);
  EXPECT_EQ(host.destroyed, 0);
  EXPECT_EQ(host.repaints, repaints);
}

TEST_F(AppTest, DestructionHidesStopsDropsAndEndsTheMessageLoop) {
  pump_until_result();
  app.on_destroy();
  EXPECT_EQ(host.steps, (std::vector<std::string>{"hide", "remove messages", "end loop"}));
  EXPECT_FALSE(app.worker_busy());
}

TEST_F(AppTest, DestructionEndsTheMessageLoopEvenWhenStoppingTheWorkerThrows) {
  if (under_thread_sanitizer) GTEST_SKIP() << "ThreadSanitizer cannot take a refused join";
  // The worker cannot be joined from its own thread: stopping it throws there.
  WindowQueue case_queue;
  FakeHost case_host;
  FakeTasks case_tasks;
  FakeEnvironment case_environment;
  FakeOptionsFile file;
  OptionsStore store(file);
  App case_app(case_host, case_queue, case_tasks, case_environment, store);
  std::atomic<bool> threw{false};
  case_tasks.during_update = [&] {
    try {
      case_app.on_destroy();
    } catch (const std::system_error&) {
      threw.store(true);
    }
  };
  std::string error;
  ASSERT_TRUE(case_app.start(false, error));
  ASSERT_TRUE(case_queue.take()) << "the update ran";
  ASSERT_TRUE(threw.load());
  EXPECT_EQ(case_host.steps, (std::vector<std::string>{"hide", "end loop"}));
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
  EXPECT_EQ(environment.actions, (std::vector<std::string>{"marker in game holding size 0 no music"}));
  pump_until_result();
  EXPECT_EQ(tasks.installs.load(), 1);
  EXPECT_EQ(tasks.updates.load(), 0);
  EXPECT_EQ(app.screen().phase, Phase::ready);
  EXPECT_EQ(environment.actions.back(), "remove marker");
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
    std::vector<std::string> expected;
    if (!c.asks) expected.push_back("marker in game");
    EXPECT_EQ(case_environment.actions, expected);
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
  EXPECT_EQ(environment.actions,
            (std::vector<std::string>{"copy to game/Velmora", "marker in game/Velmora", "release",
                                      "start game/Velmora/VelmoraUpdater.exe --install in game/Velmora",
                                      "log install: started the launcher in game/Velmora", "close log"}));
  EXPECT_EQ(host.destroyed, 1);
  EXPECT_EQ(app.screen().phase, Phase::confirm_install);
}

TEST_F(InstallTest, OptionsChosenBeforeInstallingElsewhereGoWithTheCopy) {
  // The starting folder holds a quillfen.ini of something else.
  options_file.present = true;
  environment.check = folder_of_kind(FolderKind::other, VUP_PATH("game/Velmora"));
  start();
  app.click(Control::options);
  app.click(Control::size_next);
  app.click(Control::size_next);
  app.click(Control::music);
  EXPECT_EQ(options_file.writes_tried, 0) << "nothing is written into the starting folder";
  EXPECT_TRUE(options.pending()) << "the footer says they are saved once the update has finished";
  app.click(Control::options);
  app.on_enter();
  ASSERT_GE(environment.actions.size(), 2u);
  EXPECT_EQ(environment.actions[1], "marker in game/Velmora holding size 2 no music") << "before the copy starts";
  EXPECT_EQ(host.destroyed, 1);
}

TEST_F(InstallTest, TheCopyHoldsTheOptionsOfItsMarkerUntilItHasInstalled) {
  environment.check = folder_of_kind(FolderKind::install_started, VUP_PATH("game/Velmora"));
  environment.executable_present = false;
  environment.marker_options = GameOptions{2, false, true, false};
  start(/*install_mode=*/true);
  EXPECT_EQ(app.options().size_index, 2);
  EXPECT_FALSE(app.options().music);
  EXPECT_TRUE(options.pending());
  // Its own marker keeps them, should it be cut short.
  EXPECT_EQ(environment.actions, (std::vector<std::string>{"marker in game/Velmora holding size 2 no music"}));
  EXPECT_EQ(options_file.writes_tried, 0);
  pump_until_result();
  ASSERT_EQ(app.screen().phase, Phase::ready);
  EXPECT_EQ(options_file.values["launcher/music"], 0);
  EXPECT_EQ(options_file.values["screen/width"], 1366);
  EXPECT_EQ(options_file.values["screen/height"], 768);
}

TEST_F(InstallTest, AnUnfinishedInstallInTheSubfolderKeepsItsOptions) {
  // Started from here before, the copy was closed midway.
  environment.check = FolderCheck{FolderKind::other, false, true, VUP_PATH("game/Velmora"), {}};
  environment.marker_options = GameOptions{3, false, true, true};
  start();
  EXPECT_EQ(app.screen().status, "Finish installing the game?");
  EXPECT_EQ(app.options().size_index, 3);
  EXPECT_TRUE(app.options().intro);
  app.on_enter();
  ASSERT_GE(environment.actions.size(), 2u);
  EXPECT_EQ(environment.actions[1], "marker in game/Velmora holding size 3 no music");
}

TEST_F(InstallTest, AFailedCopyOrStartShowsWhatFailedAndRetryDecidesAgain) {
  struct Case {
    bool copy_fails;
    std::string detail;
    std::vector<std::string> actions;
  };
  const Case cases[] = {
      {true, "Could not copy ... (error 5).", {"copy to game/Velmora"}},
      // A copy that did not start gives the instance back: a second start raises this window.
      {false,
       "Could not start game/Velmora/VelmoraUpdater.exe (error 5).",
       {"copy to game/Velmora", "marker in game/Velmora", "release",
        "start game/Velmora/VelmoraUpdater.exe --install in game/Velmora", "reclaim"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.copy_fails);
    WindowQueue case_queue;
    FakeHost case_host;
    FakeTasks case_tasks;
    FakeEnvironment case_environment;
    case_environment.check = folder_of_kind(FolderKind::other, VUP_PATH("game/Velmora"));
    if (c.copy_fails) {
      case_environment.copy_result = {false, 5, "The game folder could not be made", "Could not copy ... (error 5).", {}};
    } else {
      case_environment.start_error = 5;
    }
    FakeOptionsFile file;
    OptionsStore store(file);
    App case_app(case_host, case_queue, case_tasks, case_environment, store);
    std::string error;
    ASSERT_TRUE(case_app.start(false, error));
    case_app.on_enter();
    EXPECT_EQ(case_app.screen().phase, Phase::failed);
    EXPECT_EQ(case_app.screen().status, "The game folder could not be made");
    EXPECT_EQ(case_app.screen().detail, c.detail);
    EXPECT_EQ(case_host.destroyed, 0);
    EXPECT_EQ(case_environment.actions, c.actions);
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
