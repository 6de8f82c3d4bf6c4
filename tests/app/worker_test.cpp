// The hand-over between the worker thread and the window: run under
// ThreadSanitizer too.
#include "app/worker.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "app/window_view.h"
#include "tests/support/window_queue.h"

namespace vup {
namespace {

using test::WindowQueue;

// Tasks whose behaviour each test chooses; they record what ran.
class ScriptedTasks final : public WorkerTasks {
 public:
  std::function<Outcome(UpdateView&, const std::atomic<bool>&, UpdatedFolder&)> on_update;
  std::vector<Task> ran;  // worker thread only until joined

  Outcome update(UpdateView& view, const std::atomic<bool>& stop, UpdatedFolder& folder, bool installing) override {
    ran.push_back(installing ? Task::install : Task::update);
    return on_update ? on_update(view, stop, folder) : Outcome{};
  }
  Outcome start_game(UpdateView&, const UpdatedFolder& folder, const std::atomic<bool>&) override {
    ran.push_back(Task::start_game);
    return folder.usable() ? Outcome{} : Outcome{12, "internal error: the game folder was not updated first"};
  }
};

// A one-shot gate that a task can wait on.
class Gate {
 public:
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  void wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

void make_usable(UpdatedFolder& folder, std::int64_t seq) {
  folder.ready = true;
  folder.folder = VUP_PATH("game");
  folder.seq = seq;
  folder.entries.resize(1);
  folder.local_paths.resize(1);
}

TEST(WorkerTest, ManyProgressReportsQueueOneMessageAndTheLastSnapshotWins) {
  constexpr std::uint64_t reports = 20000;
  WindowQueue queue;
  WindowView view(queue);
  ScriptedTasks tasks;
  tasks.on_update = [&](UpdateView& v, const std::atomic<bool>&, UpdatedFolder& folder) {
    DownloadProgress p;
    p.bytes_total = reports;
    for (std::uint64_t i = 1; i <= reports; ++i) {
      p.bytes_done = i;
      v.progress(p);
    }
    make_usable(folder, 1800000000);
    folder.launcher_replaced = true;
    return Outcome{};
  };
  Worker worker(view, tasks);
  std::string error;
  ASSERT_TRUE(worker.start(error)) << error;
  worker.post(Task::update);

  std::uint64_t last_seen = 0;
  int progress_messages = 0;
  for (;;) {
    auto message = queue.take();
    ASSERT_TRUE(message);
    if (message->message == message_progress) {
      ++progress_messages;
      last_seen = view.take_progress().bytes_done;
      continue;
    }
    const auto record = view.claim(message->parameter);
    ASSERT_TRUE(record);
    ASSERT_EQ(record->kind, MessageKind::update_finished);
    EXPECT_EQ(record->outcome.code, 0);
    EXPECT_EQ(record->files_date, 1800000000);
    EXPECT_TRUE(record->launcher_replaced);
    break;
  }
  EXPECT_EQ(last_seen, reports);
  EXPECT_EQ(queue.progress_doubles, 0);
  EXPECT_GE(progress_messages, 1);
  EXPECT_FALSE(worker.busy());
  worker.stop_and_join();
}

TEST(WorkerTest, TheViewGivesBackOnlyTheRecordsItPostedAndEachOnce) {
  WindowQueue queue;
  WindowView view(queue);
  view.notice(NoticeCode::finishing, "");
  const auto posted = queue.take(std::chrono::milliseconds(0));
  ASSERT_TRUE(posted);
  WorkerMessage stray;
  stray.kind = MessageKind::start_finished;
  // What any other process could post with the same message number.
  for (const std::uintptr_t parameter : {std::uintptr_t{0}, std::uintptr_t{1}, posted->parameter + 8,
                                         reinterpret_cast<std::uintptr_t>(&stray)}) {
    SCOPED_TRACE(parameter);
    EXPECT_FALSE(view.claim(parameter));
  }
  const auto record = view.claim(posted->parameter);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->notice, NoticeCode::finishing);
  EXPECT_FALSE(view.claim(posted->parameter)) << "a record is handed out once";
  // What is never claimed is freed with the view (LeakSanitizer watches).
  view.notice(NoticeCode::up_to_date, "");
}

TEST(WorkerTest, AFailedProgressPostIsTriedAgainByTheNextSnapshot) {
  WindowQueue queue;
  WindowView view(queue);
  queue.refuse_posts = true;
  DownloadProgress p;
  p.bytes_done = 1;
  view.progress(p);
  queue.refuse_posts = false;
  p.bytes_done = 2;
  view.progress(p);
  auto message = queue.take(std::chrono::milliseconds(0));
  ASSERT_TRUE(message);
  EXPECT_EQ(message->message, message_progress);
  EXPECT_EQ(view.take_progress().bytes_done, 2u);
}

TEST(WorkerTest, ATaskPostedWhileAnotherIsPendingReplacesIt) {
  WindowQueue queue;
  WindowView view(queue);
  ScriptedTasks tasks;
  Gate entered, release;
  tasks.on_update = [&](UpdateView&, const std::atomic<bool>&, UpdatedFolder& folder) {
    entered.open();
    release.wait();
    make_usable(folder, 1800000000);
    return Outcome{};
  };
  Worker worker(view, tasks);
  std::string error;
  ASSERT_TRUE(worker.start(error)) << error;
  worker.post(Task::update);
  entered.wait();
  worker.post(Task::install);     // pending while the first runs...
  worker.post(Task::start_game);  // ...and replaced
  EXPECT_TRUE(worker.busy());
  release.open();

  auto first = queue.take();
  ASSERT_TRUE(first);
  EXPECT_EQ(view.claim(first->parameter)->kind, MessageKind::update_finished);
  auto second = queue.take();
  ASSERT_TRUE(second);
  const auto started = view.claim(second->parameter);
  EXPECT_EQ(started->kind, MessageKind::start_finished);
  // The start task sees what the update run left.
  EXPECT_EQ(started->outcome.code, 0);
  worker.stop_and_join();
  EXPECT_EQ(tasks.ran, (std::vector<Task>{Task::update, Task::start_game}));
  EXPECT_FALSE(queue.take(std::chrono::milliseconds(0)));
}

TEST(WorkerTest, StopAndJoinStopsARunningTask) {
  WindowQueue queue;
  WindowView view(queue);
  ScriptedTasks tasks;
  Gate entered;
  tasks.on_update = [&](UpdateView&, const std::atomic<bool>& stop, UpdatedFolder& folder) {
    folder.launcher_replaced = true;  // a run that is not ready hands nothing over
    entered.open();
    while (!stop.load()) std::this_thread::yield();
    return Outcome{40, "the update was stopped before it finished. Run VelmoraUpdater again to finish it."};
  };
  Worker worker(view, tasks);
  std::string error;
  ASSERT_TRUE(worker.start(error)) << error;
  worker.post(Task::update);
  entered.wait();
  worker.stop_and_join();
  EXPECT_FALSE(worker.running());
  auto result = queue.take(std::chrono::milliseconds(0));
  ASSERT_TRUE(result);
  const auto record = view.claim(result->parameter);
  EXPECT_EQ(record->outcome.code, 40);
  EXPECT_EQ(record->files_date, 0);
  EXPECT_FALSE(record->launcher_replaced);
}

TEST(WorkerTest, AFailedResultPostFreesTheRecord) {
  WindowQueue queue;
  queue.refuse_posts = true;
  WindowView view(queue);
  ScriptedTasks tasks;
  Worker worker(view, tasks);
  std::string error;
  ASSERT_TRUE(worker.start(error)) << error;
  worker.post(Task::update);
  while (worker.busy()) std::this_thread::yield();
  worker.stop_and_join();  // LeakSanitizer reports the record if it was not freed
  EXPECT_EQ(tasks.ran.size(), 1u);
}

}  // namespace
}  // namespace vup
