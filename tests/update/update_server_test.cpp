// Whole update runs against the nginx test server, with manifests the test signs
// itself: what the publisher would never sign. Run through tests/servers/with-servers.
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fs/file_primitives.h"
#include "manifest/base64.h"
#include "tests/support/recording_view.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_signing.h"
#include "update/prelaunch_check.h"
#include "update/update_run.h"

namespace {

using namespace vup;
using quillfen::updater::FileEntry;

constexpr std::int64_t seq = 1794484334 + 100;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string sha256_of(const std::string& bytes) {
  Sha256 hash;
  hash.update(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return hash.finish_hex().value_or("");
}

// Every file below `folder` with its content.
std::map<std::string, std::string> files_below(const std::filesystem::path& folder) {
  std::map<std::string, std::string> found;
  for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
    if (item.is_regular_file()) {
      found[std::filesystem::relative(item.path(), folder).generic_string()] = test::read_bytes(item.path());
    }
  }
  return found;
}

// A release on the nginx server: the signed list of `files` (path -> content) and
// the content of each under files/<sha256>.
class Release {
 public:
  Release(const std::string& name, const std::map<std::string, std::string>& files) : key_(test::make_test_key(7)) {
    root_ = std::filesystem::path(environment("VUP_NGINX_ROOT")) / name;
    const std::filesystem::path& root = root_;
    std::filesystem::create_directories(root / "files");
    std::vector<FileEntry> entries;
    for (const auto& [path, content] : files) {
      entries.push_back(FileEntry{path, content.size(), sha256_of(content), false});
      test::write_bytes(root / "files" / entries.back().sha256, content);
    }
    test::write_bytes(root / "manifest.json", test::signed_envelope(key_, test::manifest_text(seq, entries)));
    url_ = environment("VUP_NGINX_URL") + name + "/";
  }
  // Replaces what the server holds for `content` with other bytes: it arrives damaged.
  void damage(const std::string& content) const {
    test::write_bytes(root_ / "files" / sha256_of(content), content + " damaged");
  }
  UpdateSettings settings(const PathString& folder) const {
    return UpdateSettings{folder, url_, quillfen::updater::base64_encode(key_.public_key, 32), {}};
  }

 private:
  test::TestKey key_;
  std::filesystem::path root_;
  std::string url_;
};

// A manifest that lists a file the updater keeps for itself would have it
// download that file and then overwrite or delete it, so that every Play after
// fails. The run refuses it before it writes anything.
TEST(UpdateRunAgainstServer, RefusesAManifestListingTheUpdatersOwnFiles) {
  ASSERT_FALSE(environment("VUP_NGINX_ROOT").empty()) << "run through tests/servers/with-servers";
  const char* owned[] = {"VelmoraUpdater.state.json", "VelmoraUpdater.state.json.tmp", "velmoraupdater.INSTALLING",
                         "VelmoraUpdater.installing.tmp", "Data/Map.rk.vup-part"};
  int n = 0;
  for (const char* path : owned) {
    SCOPED_TRACE(path);
    const Release release("owned-" + std::to_string(++n), {{"KSLv41.exe", "MZ game"},
                                                            {"Data/Map.rk", "map"},
                                                            {path, "a game file at the updater's name"}});
    test::TempFolder game;
    game.write("KSLv41.exe", "MZ game");
    game.write("VelmoraUpdater.state.json", "the state of an earlier run");
    const auto before = files_below(game.path());

    test::RecordingView view;
    UpdatedFolder folder;
    const std::atomic<bool> stop{false};
    const Outcome outcome = run_update_task(view, stop, folder, false, release.settings(game.native()));
    EXPECT_EQ(outcome.code, code_unsafe_location) << outcome.message;
    EXPECT_EQ(outcome.message,
              std::string("unsafe file location for ") + path + ": the updater keeps this name for its own files");
    EXPECT_EQ(files_below(game.path()), before);
  }
}

// The launcher listed in the manifest: swapped in, last, when the running program
// is that file; an ordinary game file for any other program, a renamed launcher
// included. Either way the state records it and the check before Play verifies it.
TEST(UpdateRunAgainstServer, TheListedLauncherIsSwappedInWhenItIsTheRunningProgram) {
  ASSERT_FALSE(environment("VUP_NGINX_ROOT").empty()) << "run through tests/servers/with-servers";
  const std::string old_launcher = "MZ launcher A";
  const std::string new_launcher = "MZ launcher B, a little longer";
  const Release release("launcher", {{"KSLv41.exe", "MZ game 2"},
                                     {"Data/Map.rk", "map"},
                                     {"VelmoraUpdater.exe", new_launcher},
                                     {"readme.txt", "after the launcher in manifest order"}});
  const struct {
    const char* name;
    const char* running;  // the running program's name in the game folder; empty: none
    bool swapped;
  } cases[] = {
      {"the launcher runs", "VelmoraUpdater.exe", true},
      {"the launcher runs, named in other letters", "velmoraupdater.EXE", true},
      {"a launcher the player renamed runs", "Velmora.exe", false},
      {"no program of the folder runs (velmora-update)", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempFolder game;
    game.write("KSLv41.exe", "MZ game 1");
    game.write("VelmoraUpdater.exe", old_launcher);
    if (std::string(c.running) == "Velmora.exe") game.write("Velmora.exe", old_launcher);
    UpdateSettings settings = release.settings(game.native());
    if (*c.running != '\0') settings.running_program = (game / c.running).native();

    test::RecordingView view;
    UpdatedFolder folder;
    const std::atomic<bool> stop{false};
    const Outcome outcome = run_update_task(view, stop, folder, false, settings);
    ASSERT_EQ(outcome.code, code_success) << outcome.message;
    EXPECT_EQ(folder.launcher_replaced, c.swapped);
    EXPECT_EQ(game.read("VelmoraUpdater.exe"), new_launcher);
    EXPECT_EQ(game.read("VelmoraUpdater.exe.old"), c.swapped ? old_launcher : "");
    EXPECT_EQ(std::filesystem::exists(game / "VelmoraUpdater.exe.old"), c.swapped);
    if (std::string(c.running) == "Velmora.exe") {
      EXPECT_EQ(game.read("Velmora.exe"), old_launcher);
    }
    // The launcher waits until every other file is in place.
    EXPECT_EQ(view.has_line_starting("[4/4] VelmoraUpdater.exe"), c.swapped);
    EXPECT_EQ(view.has_line_starting("[3/4] VelmoraUpdater.exe"), !c.swapped);
    EXPECT_EQ(folder.state.files.count("velmoraupdater.exe"), 1u);

    Reporter reporter(view);
    EXPECT_EQ(check_files(reporter, folder, stop).code, code_success);
    game.write("VelmoraUpdater.exe", new_launcher.substr(0, new_launcher.size() - 1) + "!");
    const Outcome changed = check_files(reporter, folder, stop);
    EXPECT_EQ(changed.code, code_file_changed);
    EXPECT_EQ(changed.message,
              "VelmoraUpdater.exe has changed since the update. Run the update again to repair it.");
  }
}

// A new launcher that arrives damaged every time is refused like any file, and
// the running one stays as it was.
TEST(UpdateRunAgainstServer, ADamagedNewLauncherLeavesTheRunningOneUntouched) {
  ASSERT_FALSE(environment("VUP_NGINX_ROOT").empty()) << "run through tests/servers/with-servers";
  const std::string new_launcher = "MZ launcher B";
  const Release release("damaged-launcher", {{"KSLv41.exe", "MZ game"}, {"VelmoraUpdater.exe", new_launcher}});
  release.damage(new_launcher);
  test::TempFolder game;
  game.write("KSLv41.exe", "MZ game");
  game.write("VelmoraUpdater.exe", "MZ launcher A");
  UpdateSettings settings = release.settings(game.native());
  settings.running_program = (game / "VelmoraUpdater.exe").native();

  test::RecordingView view;
  UpdatedFolder folder;
  const std::atomic<bool> stop{false};
  const Outcome outcome = run_update_task(view, stop, folder, false, settings);
  EXPECT_EQ(outcome.code, code_download_failed) << outcome.message;
  EXPECT_FALSE(folder.launcher_replaced);
  EXPECT_EQ(files_below(game.path()),
            (std::map<std::string, std::string>{{"KSLv41.exe", "MZ game"}, {"VelmoraUpdater.exe", "MZ launcher A"}}));
}

// The check before Play trusts a file whose size and time the state knows; the
// full check reads it. A same-size edit that the record still vouches for (as a
// copy with cp -p or rsync -t leaves it) is seen only by the full check.
TEST(UpdateRunAgainstServer, TheFullCheckReadsWhatTheStateVouchesFor) {
  ASSERT_FALSE(environment("VUP_NGINX_ROOT").empty()) << "run through tests/servers/with-servers";
  const Release release("full-check", {{"KSLv41.exe", "MZ game"}, {"Data/Map.rk", "map data"}});
  test::TempFolder game;
  test::RecordingView view;
  UpdatedFolder folder;
  const std::atomic<bool> stop{false};
  ASSERT_EQ(run_update_task(view, stop, folder, true, release.settings(game.native())).code, code_success);

  // The record vouches for the edited file as it would after a copy that kept the
  // old time (set here, since not every platform's library puts a time back to
  // the last tick).
  game.write("Data/Map.rk", "MAP DATA");
  const std::optional<FileStat> edited = file_stat((game / "Data/Map.rk").native());
  ASSERT_TRUE(edited);
  quillfen::updater::StateRecord& record = folder.state.files.at("data/map.rk");
  ASSERT_EQ(record.size, edited->size);
  record.mtime = static_cast<std::int64_t>(edited->last_write);

  Reporter reporter(view);
  EXPECT_EQ(check_files(reporter, folder, stop).code, code_success);
  const Outcome full = check_files(reporter, folder, stop, /*full_check=*/true);
  EXPECT_EQ(full.code, code_file_changed);
  EXPECT_EQ(full.message, "Data/Map.rk has changed since the update. Run the update again to repair it.");
  EXPECT_TRUE(view.has_line_starting("  checking Data/Map.rk (0.0 MB)"));
}

}  // namespace
