#include "app/worker.h"

#include <exception>
#include <system_error>

#include "app/com_apartment.h"
#include "update/start_game.h"
#include "update/update_run.h"

namespace vup {

Outcome EngineTasks::update(UpdateView& view, const std::atomic<bool>& stop, UpdatedFolder& folder,
                            bool installing) {
  return run_update_task(view, stop, folder, installing, settings_);
}

Outcome EngineTasks::start_game(UpdateView& view, const UpdatedFolder& folder, const std::atomic<bool>& stop) {
  return run_start_game_task(view, folder, stop);
}

bool Worker::start(std::string& error) {
  try {
    thread_ = std::thread([this] { run(); });
    return true;
  } catch (const std::system_error& e) {
    error = e.what();
    return false;
  }
}

void Worker::post(Task task) {
  {
    std::lock_guard lock(mutex_);
    pending_ = task;
    busy_.exchange(true);
  }
  wake_.notify_one();
}

void Worker::stop_and_join() {
  if (!thread_.joinable()) return;
  stop_.store(true);
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void Worker::run() {
  for (;;) {
    Task task = Task::none;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return quit_ || pending_ != Task::none; });
      if (quit_) return;
      task = pending_;
      pending_ = Task::none;
    }
    try {
      std::unique_ptr<WorkerMessage> message = run_task(task);
      busy_.exchange(false);
      view_.post_record(std::move(message));
    } catch (...) {
      // Only running out of memory gets here; the task is lost, the thread goes on.
      busy_.exchange(false);
    }
  }
}

std::unique_ptr<WorkerMessage> Worker::run_task(Task task) {
  auto message = std::make_unique<WorkerMessage>();
  if (task == Task::update || task == Task::install) {
    message->kind = MessageKind::update_finished;
    message->outcome = tasks_.update(view_, stop_, folder_, task == Task::install);
    message->files_date = folder_.usable() ? folder_.seq : 0;
    message->launcher_replaced = folder_.usable() && folder_.launcher_replaced;
  } else {
    // The game starts through the shell, whose extensions need COM on the
    // calling thread, apartment-threaded.
    const ComApartment apartment;
    message->kind = MessageKind::start_finished;
    message->outcome = tasks_.start_game(view_, folder_, stop_);
  }
  return message;
}

}  // namespace vup
