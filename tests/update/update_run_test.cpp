// The update run's refusals that come before any network access.
#include "update/update_run.h"

#include <gtest/gtest.h>

#include "tests/support/recording_view.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace vup;

// A key of 32 bytes in Base64, and texts that decode to 31 and 33 bytes.
constexpr char good_key[] = "AQIDBAUGBwgJCgsMDQ4PEBESExQVFhcYGRobHB0eHyA=";
constexpr char short_key[] = "AQIDBAUGBwgJCgsMDQ4PEBESExQVFhcYGRobHB0eHw==";
constexpr char long_key[] = "AQIDBAUGBwgJCgsMDQ4PEBESExQVFhcYGRobHB0eHyAh";
// Nothing may be asked of this address: a request would fail with code 20.
constexpr char unused_url[] = "https://unreachable.invalid/";

TEST(UpdateRun, StopsBeforeTheNetwork) {
  test::TempFolder dir;
  dir.write("KSLv41.exe", "game");
  test::TempFolder empty;
  const struct {
    const char* name;
    PathString folder;
    bool installing;
    const char* key;
    int code;
    std::string message;
  } cases[] = {
      {"game missing", empty.native(), false, good_key, 11,
       "KSLv41.exe was not found next to VelmoraUpdater.exe. Put VelmoraUpdater.exe in the game folder."},
      {"key of 31 bytes", dir.native(), false, short_key, 12, "internal error: the built-in key is malformed"},
      {"key of 33 bytes", empty.native(), true, long_key, 12, "internal error: the built-in key is malformed"},
      {"no key", dir.native(), false, "", 12, "internal error: the built-in key is malformed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::RecordingView view;
    UpdatedFolder folder;
    folder.ready = true;
    const std::atomic<bool> stop{false};
    const Outcome outcome = run_update_task(view, stop, folder, c.installing, {c.folder, unused_url, c.key, {}});
    EXPECT_EQ(outcome.code, c.code);
    EXPECT_EQ(outcome.message, c.message);
    EXPECT_FALSE(folder.ready);
    EXPECT_TRUE(view.notices.empty());  // not even "Checking for updates"
  }
}

TEST(UpdateRun, InstallingWithoutTheGameGoesOnToTheServer) {
  test::TempFolder empty;
  test::RecordingView view;
  UpdatedFolder folder;
  const std::atomic<bool> stop{false};
  const UpdateSettings settings{empty.native(), "http://plain.invalid/", good_key, {}};
  const Outcome outcome = run_update_task(view, stop, folder, true, settings);
  EXPECT_EQ(outcome.code, 20);
  EXPECT_EQ(outcome.message, "could not reach the update host (the update address is not acceptable). Try again later.");
  EXPECT_TRUE(view.has_line_starting("Checking for updates..."));
}

}  // namespace
