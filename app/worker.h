// The worker thread: runs one long task at a time (an update run, or the check
// before the game starts and the start itself) and reports its result to the
// window with a posted message.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "app/window_view.h"
#include "app/worker_message.h"
#include "update/update_settings.h"
#include "update/update_view.h"
#include "update/updated_folder.h"

namespace vup {

enum class Task : int { none = 0, update = 1, start_game = 2, install = 3 };

// The task entries the worker calls: the engine's in the program, stand-ins in tests.
class WorkerTasks {
 public:
  virtual ~WorkerTasks() = default;
  virtual Outcome update(UpdateView& view, const std::atomic<bool>& stop, UpdatedFolder& folder,
                         bool installing) = 0;
  virtual Outcome start_game(UpdateView& view, const UpdatedFolder& folder, const std::atomic<bool>& stop) = 0;
};

// The engine's task entries with the given settings.
class EngineTasks final : public WorkerTasks {
 public:
  explicit EngineTasks(UpdateSettings settings) : settings_(std::move(settings)) {}
  Outcome update(UpdateView& view, const std::atomic<bool>& stop, UpdatedFolder& folder, bool installing) override;
  Outcome start_game(UpdateView& view, const UpdatedFolder& folder, const std::atomic<bool>& stop) override;

 private:
  UpdateSettings settings_;
};

class Worker {
 public:
  // Reports through `view` and hands its results to the window through it.
  Worker(WindowView& view, WorkerTasks& tasks) : view_(view), tasks_(tasks) {}
  ~Worker() { stop_and_join(); }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Starts the thread, which waits for a task. False when the platform could not
  // create it; `error` then says why.
  [[nodiscard]] bool start(std::string& error);
  // Hands a task to the thread; a task still pending is replaced.
  void post(Task task);
  // Asks the running task to stop at its next check. The flag stays set.
  void request_stop() { stop_.store(true); }
  // Stops the thread and waits for it (never call from the worker thread).
  void stop_and_join();

  // True from a post until that task's result has been handed over.
  [[nodiscard]] bool busy() const { return busy_.load(); }
  [[nodiscard]] bool running() const { return thread_.joinable(); }

 private:
  void run();
  std::unique_ptr<WorkerMessage> run_task(Task task);

  WindowView& view_;
  WorkerTasks& tasks_;
  UpdatedFolder folder_;  // worker thread only: what the last update run left for the start
  std::atomic<bool> stop_{false};
  std::atomic<bool> busy_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  Task pending_ = Task::none;  // under mutex_
  bool quit_ = false;          // under mutex_
  std::thread thread_;
};

}  // namespace vup
