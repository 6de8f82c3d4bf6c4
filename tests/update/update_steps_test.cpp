// Steps of the update run that need no server.
#include "update/update_steps.h"

#include <string>

#include <gtest/gtest.h>

#include "base/constants.h"
#include "fs/game_folder.h"
#include "tests/support/recording_view.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace vup;
using quillfen::updater::FileEntry;
using quillfen::updater::StateRecord;
using quillfen::updater::UpdateState;

const std::string hash_a(64, 'a');

std::string numbered(const char* prefix, int i, const char* suffix) {
  std::string number = std::to_string(i);
  number.insert(0, 5 - number.size(), '0');
  return prefix + number + suffix;
}

// A manifest of the most files there can be, each with its record, and records of
// files that left the game and could not be removed: what the run writes, the
// next run must read.
TEST(KeepStateRecords, TheStateWrittenIsOneTheNextRunReads) {
  for (const int departed : {1, 5000, 7000}) {
    SCOPED_TRACE(std::to_string(departed) + " records kept");
    std::vector<FileEntry> entries;
    UpdateState state;
    for (int i = 0; i < 5000; ++i) {
      entries.push_back({numbered("Data/F", i, ".rk"), 1, hash_a, false});
      state.files[numbered("data/f", i, ".rk")] = {1, 2, hash_a};
    }
    state.files["notes.txt"] = {1, 2, hash_a};  // left the game: forgotten
    KeptRecords kept;
    for (int i = 0; i < departed; ++i) kept.emplace_back(numbered("old/", i, ".dll"), StateRecord{1, 2, hash_a});
    kept.emplace_back("data/f00000.rk", StateRecord{7, 7, hash_a});  // a manifest record stays as it is

    EXPECT_TRUE(keep_state_records(state, ManifestKeys(entries), kept));
    const std::size_t expected_kept = std::min<std::size_t>(departed, max_kept_state_records);
    EXPECT_EQ(state.files.size(), 5000 + expected_kept);
    EXPECT_EQ(state.files.count("notes.txt"), 0u);
    EXPECT_EQ(state.files.at("data/f00000.rk").size, 1u);
    EXPECT_EQ(state.files.count("old/00000.dll"), 1u) << "the first in key order are kept";

    UpdateState next;
    ASSERT_TRUE(quillfen::updater::parse_update_state(quillfen::updater::serialize_update_state(state), next));
    EXPECT_EQ(next.files.size(), state.files.size());
  }
}

// A large manifest: every entry gets its own local path and status, and a
// refusal names the first refused entry in manifest order.
TEST(MapPaths, ReportsTheFirstRefusalInManifestOrder) {
  test::TempFolder game;
  game.write("Blocked", "a file where a folder belongs");
  game.write("d/f00007.rk", "present");
  const auto manifest = [](std::initializer_list<int> blocked) {
    UpdatedFolder folder;
    for (int i = 0; i < 3000; ++i) folder.entries.push_back({numbered("d/f", i, ".rk"), 7, hash_a, false});
    for (const int i : blocked) folder.entries[static_cast<std::size_t>(i)].path = numbered("Blocked/f", i, ".rk");
    return folder;
  };
  const struct {
    std::initializer_list<int> blocked;
    std::string refused;
  } cases[] = {
      {{}, ""},
      {{2500}, "Blocked/f02500.rk"},
      {{10, 2500}, "Blocked/f00010.rk"},
      {{1499, 1500}, "Blocked/f01499.rk"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.refused);
    UpdatedFolder folder = manifest(c.blocked);
    test::RecordingView view;
    Reporter reporter(view);
    std::vector<std::optional<FileStat>> found;
    const Outcome outcome = map_paths(reporter, game.native(), folder, found);
    if (c.refused.empty()) {
      ASSERT_EQ(outcome.code, code_success) << outcome.message;
      ASSERT_EQ(folder.local_paths.size(), 3000u);
      ASSERT_EQ(found.size(), 3000u);
      const PathString below = (game / "d/f02999.rk").native().substr(game.native().size());
      EXPECT_EQ(folder.local_paths[2999], long_folder_path(game.native()) + below);
      EXPECT_EQ(found[7]->size, 7u);
      EXPECT_FALSE(found[2999].has_value());
    } else {
      EXPECT_EQ(outcome.code, code_unsafe_location);
      EXPECT_EQ(outcome.message.rfind("unsafe file location for " + c.refused + ": ", 0), 0u) << outcome.message;
    }
  }
}

TEST(CheckFreeSpace, SaysWhenTheQueryFailed) {
  test::TempFolder folder;
  test::RecordingView view;
  Reporter reporter(view);
  CheckPlan plan;
  plan.download_count = 1;
  plan.download_bytes = 1048576;

  EXPECT_EQ(check_free_space(reporter, folder.native(), plan).code, code_success);
  const Outcome failed = check_free_space(reporter, (folder / "missing").native(), plan);
  EXPECT_EQ(failed.code, code_disk_full);
  EXPECT_EQ(failed.message.rfind("cannot check the free disk space: 65.0 MB needed, but the free space of the drive "
                                 "could not be read (error ",
                                 0),
            0u)
      << failed.message;

  plan.download_bytes = ~0ULL;  // the margin saturates
  const Outcome short_of_space = check_free_space(reporter, folder.native(), plan);
  EXPECT_EQ(short_of_space.code, code_disk_full);
  EXPECT_EQ(short_of_space.message.rfind("not enough free disk space: ", 0), 0u) << short_of_space.message;

  plan.download_count = 0;
  EXPECT_EQ(check_free_space(reporter, (folder / "missing").native(), plan).code, code_success)
      << "nothing to download: no question asked";
}

// Every path the run builds from the game folder is in the long form, where the
// platform has one: a game folder near 260 characters works like any other.
TEST(GameFolderPaths, AreAllInTheLongForm) {
#ifdef _WIN32
  const PathString folder = L"C:\\Games\\" + PathString(240, L'v');
  const PathString root = L"\\\\?\\" + folder;
  const PathString separator = L"\\";
#else
  const PathString folder = "/srv/" + PathString(240, 'v');
  const PathString root = folder;
  const PathString separator = "/";
#endif
  const GameFolderPaths paths = game_folder_paths(folder);
  EXPECT_EQ(paths.folder, folder);
  EXPECT_EQ(paths.root, root);
  EXPECT_EQ(paths.executable, root + separator + VUP_PATH("KSLv41.exe"));
  EXPECT_EQ(paths.state_file, root + separator + VUP_PATH("VelmoraUpdater.state.json"));
}

}  // namespace
