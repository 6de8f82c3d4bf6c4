// Windows: the worker thread runs the start of the game with COM set up, as the
// shell asks of the threads that call it.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "app/window_view.h"
#include "app/worker.h"
#include "tests/support/window_queue.h"

namespace vup {
namespace {

// Records what a second initialisation on the task's thread says: S_FALSE when
// the thread already is a single-threaded apartment, S_OK when it had no COM.
class ApartmentProbe final : public WorkerTasks {
 public:
  HRESULT during_update = E_FAIL;
  HRESULT during_start = E_FAIL;

  Outcome update(UpdateView&, const std::atomic<bool>&, UpdatedFolder&, bool) override {
    during_update = probe();
    return Outcome{};
  }
  Outcome start_game(UpdateView&, const UpdatedFolder&, const std::atomic<bool>&) override {
    during_start = probe();
    return Outcome{};
  }

 private:
  static HRESULT probe() {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(result)) CoUninitialize();
    return result;
  }
};

TEST(WorkerWin, TheStartOfTheGameRunsInASingleThreadedApartment) {
  test::WindowQueue queue;
  WindowView view(queue);
  ApartmentProbe tasks;
  Worker worker(view, tasks);
  std::string error;
  ASSERT_TRUE(worker.start(error)) << error;
  worker.post(Task::start_game);
  ASSERT_TRUE(queue.take());
  worker.post(Task::update);
  ASSERT_TRUE(queue.take());
  worker.stop_and_join();
  EXPECT_EQ(tasks.during_start, S_FALSE);
  // Only for the start: an update run needs no COM, and the apartment ended with
  // the task.
  EXPECT_EQ(tasks.during_update, S_OK);
}

}  // namespace
}  // namespace vup
