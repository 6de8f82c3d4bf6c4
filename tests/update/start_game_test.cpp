#include "update/start_game.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "fs/file_primitives.h"
#include "tests/support/recording_view.h"
#include "tests/support/temp_folder.h"
#include "update/game_files.h"

namespace {

using namespace vup;

// A folder holding the stand-in game as KSLv41.exe, prepared as an update run
// would leave it.
struct PreparedGame {
  test::TempFolder dir;
  UpdatedFolder folder;

  PreparedGame() {
    const std::filesystem::path game = std::filesystem::path(program_folder()) / ("test_game" VUP_EXE_SUFFIX);
    std::filesystem::copy_file(game, dir / "KSLv41.exe");
    const PathString local = child_path(dir.native(), "KSLv41.exe");
    const auto stat = file_stat(local);
    const auto digest = hash_file(local);
    if (!stat || !digest) throw std::runtime_error("cannot read the stand-in game");
    folder.ready = true;
    folder.folder = dir.native();
    folder.entries.push_back({"KSLv41.exe", stat->size, *digest, false});
    folder.local_paths.push_back(local);
  }
};

std::string wait_for_file(const test::TempFolder& dir, std::string_view name) {
  for (int i = 0; i < 200 && !std::filesystem::exists(dir / name); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return dir.read(name);
}

TEST(StartGame, StartsTheGameInItsFolderAfterTheCheck) {
  PreparedGame game;
  test::RecordingView view;
  const std::atomic<bool> stop{false};
  const Outcome outcome = run_start_game_task(view, game.folder, stop);
  ASSERT_EQ(outcome.code, 0) << outcome.message;
  EXPECT_TRUE(view.has_line_starting("Started KSLv41.exe."));
  const std::string started = wait_for_file(game.dir, "started.txt");
  ASSERT_FALSE(started.empty());
  EXPECT_EQ(std::filesystem::path(started.substr(0, started.find_first_of("\r\n"))), game.dir.path());
}

TEST(StartGame, RefusesWithoutAnUpdateWhenStoppedOrWhenTheFolderChanged) {
  test::RecordingView view;
  const std::atomic<bool> go{false};
  const std::atomic<bool> stopped{true};
  const Outcome not_updated = run_start_game_task(view, UpdatedFolder{}, go);
  EXPECT_EQ(not_updated.code, 12);
  EXPECT_EQ(not_updated.message, "internal error: the game folder was not updated first");

  PreparedGame game;
  const Outcome closing = run_start_game_task(view, game.folder, stopped);
  EXPECT_EQ(closing.code, 40);
  EXPECT_EQ(closing.message, "the game was not started because the updater was closed.");

  const std::string original = game.dir.read("KSLv41.exe");
  std::string changed = original;
  changed.back() ^= 1;
  game.dir.write("KSLv41.exe", changed);
  const Outcome modified = run_start_game_task(view, game.folder, go);
  EXPECT_EQ(modified.code, 23);
  EXPECT_EQ(modified.message, "KSLv41.exe has changed since the update. Run the update again to repair it.");
  std::filesystem::remove(game.dir / "KSLv41.exe");
  EXPECT_EQ(run_start_game_task(view, game.folder, go).code, 23);
  game.dir.write("KSLv41.exe", original);

  game.dir.write("extra.dll", "x");
  const Outcome foreign = run_start_game_task(view, game.folder, go);
  EXPECT_EQ(foreign.code, 24);
  EXPECT_EQ(foreign.message, "a file that is not part of the game is in the game folder: extra.dll. Remove it, then try again.");
  EXPECT_FALSE(std::filesystem::exists(game.dir / "started.txt"));
}

}  // namespace
