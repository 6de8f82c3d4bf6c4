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
    const std::filesystem::path root = std::filesystem::path(environment("VUP_NGINX_ROOT")) / name;
    std::filesystem::create_directories(root / "files");
    std::vector<FileEntry> entries;
    for (const auto& [path, content] : files) {
      entries.push_back(FileEntry{path, content.size(), sha256_of(content), false});
      test::write_bytes(root / "files" / entries.back().sha256, content);
    }
    test::write_bytes(root / "manifest.json", test::signed_envelope(key_, test::manifest_text(seq, entries)));
    url_ = environment("VUP_NGINX_URL") + name + "/";
  }
  UpdateSettings settings(const PathString& folder) const {
    return UpdateSettings{folder, url_, quillfen::updater::base64_encode(key_.public_key, 32), {}};
  }

 private:
  test::TestKey key_;
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

}  // namespace
