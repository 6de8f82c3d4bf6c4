// The application's window-side logic, with the window's queue played by the test.
#include "app/app.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/window_queue.h"

namespace vup {
namespace {

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
  std::atomic<int> updates{0};
  std::atomic<int> installs{0};
  std::atomic<int> starts{0};

  Outcome update(UpdateView& view, const std::atomic<bool>& stop, UpdatedFolder& folder, bool installing) override {
    (installing ? installs : updates)++;
    view.notice(NoticeCode::checking_updates, "");
    while (hold_update.load() && !stop.load()) std::this_thread::yield();
    if (stop.load()) return Outcome{40, "the update was stopped before it finished. Run VelmoraUpdater again to finish it."};
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

class AppTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(app.start(false, error)) << error;
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
  App app{host, queue, tasks};
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

TEST_F(AppTest, OptionClicksStepWithoutWrapping) {
  app.click(Control::options);
  ASSERT_TRUE(app.screen().options_open);
  app.click(Control::size_previous);
  EXPECT_EQ(app.options().size_index, 0);
  for (int i = 0; i < 6; ++i) app.click(Control::size_next);
  EXPECT_EQ(app.options().size_index, 4);
  app.click(Control::music);
  EXPECT_FALSE(app.options().music);
  app.click(Control::back);
  EXPECT_FALSE(app.screen().options_open);
  pump_until_result();
}

}  // namespace
}  // namespace vup
