// The swap of a running program's file, on real files, with a failure injected
// after each of its steps: whatever fails, a program stays under the name.
#include "fs/swap_file.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

using vup::PathString;
using vup::RetriedMove;

constexpr int held = 32;       // another program holds the file for now
constexpr int failed = 1001;   // any other failure of a move
constexpr int not_copied = 1002;
bool is_held(int error) { return error == held; }

struct Faults {
  unsigned refused_backups = 0;   // bit i: backup i cannot be taken, a copy still runs from it
  int aside_holds = 0;            // this many moves aside fail, the running file held (-1: all)
  int in_failures = 0;            // step 2 fails this often (-1: always) ...
  int in_error = failed;          // ... with this error
  bool back_fails = false;        // step 3's move back fails
  bool copy_fails = false;        // and so does its copy
  int stop_at_pause = 0;          // the stop flag is set at this pause (0: never)
};

struct Case {
  const char* name;
  Faults faults;
  std::optional<std::string> older_backup;  // what VelmoraUpdater.exe.old held before
  int error;
  bool stopped;
  std::optional<std::string> under_name;  // what VelmoraUpdater.exe holds afterwards; none: nothing
  std::optional<std::string> backup0, backup1;
  bool replacement_left;
  int pauses;
};

std::optional<std::string> content(const std::filesystem::path& file) {
  if (!std::filesystem::exists(file)) return std::nullopt;
  return vup::test::read_bytes(file);
}

TEST(SwapRunningFile, AProgramStaysUnderTheNameWhateverStepFails) {
  const Case cases[] = {
      {"nothing fails", {}, std::nullopt, 0, false, "new", "old", std::nullopt, false, 0},
      {"an older backup is replaced", {}, "older", 0, false, "new", "old", std::nullopt, false, 0},
      {"a backup that a copy still runs from is passed over", {1}, "older", 0, false, "new", "older", "old",
       false, 0},
      {"step 1 held for a moment (two tries of both names)", {0, 4}, std::nullopt, 0, false, "new", "old",
       std::nullopt, false, 2},
      {"step 1 held for good", {0, -1}, std::nullopt, held, false, "old", std::nullopt, std::nullopt, true, 14},
      {"every backup taken", {3}, "older", held, false, "old", "older", std::nullopt, true, 14},
      {"step 2 fails", {0, 0, 1}, std::nullopt, failed, false, "old", std::nullopt, std::nullopt, true, 0},
      {"step 2 held for a moment", {0, 0, 2, held}, std::nullopt, 0, false, "new", "old", std::nullopt, false, 2},
      {"step 2 held, then stopped", {0, 0, -1, held, false, false, 2}, std::nullopt, held, true, "old",
       std::nullopt, std::nullopt, true, 2},
      {"step 2 and the move back fail: copied back", {0, 0, 1, failed, true}, std::nullopt, failed, false, "old",
       "old", std::nullopt, true, 0},
      // The one way to an empty name: both ways back fail as well.
      {"step 2, the move back and the copy fail", {0, 0, 1, failed, true, true}, std::nullopt, failed, false,
       std::nullopt, "old", std::nullopt, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vup::test::TempFolder dir;
    dir.write("VelmoraUpdater.exe", "old");
    dir.write("VelmoraUpdater.exe.vup-part", "new");
    if (c.older_backup) dir.write("VelmoraUpdater.exe.old", *c.older_backup);
    const PathString running = (dir / "VelmoraUpdater.exe").native();
    const PathString replacement = (dir / "VelmoraUpdater.exe.vup-part").native();
    const std::vector<PathString> backups = {(dir / "VelmoraUpdater.exe.old").native(),
                                             (dir / "VelmoraUpdater.exe.1.old").native()};

    Faults f = c.faults;
    vup::SwapSteps steps = vup::disk_swap_steps();
    steps.is_held = is_held;
    steps.move = [&](const PathString& source, const PathString& destination) {
      if (source == running) {
        for (std::size_t i = 0; i < backups.size(); ++i) {
          if ((f.refused_backups >> i & 1u) != 0 && destination == backups[i]) return held;
        }
        if (f.aside_holds != 0) {
          if (f.aside_holds > 0) --f.aside_holds;
          return held;
        }
      }
      if (source == replacement && f.in_failures != 0) {
        if (f.in_failures > 0) --f.in_failures;
        return f.in_error;
      }
      if (source != replacement && destination == running && f.back_fails) return failed;
      return vup::replace_file(source, destination);
    };
    steps.copy = [&](const PathString& source, const PathString& destination) {
      return f.copy_fails ? not_copied : vup::copy_file(source, destination);
    };
    int pauses = 0;
    const auto pause = [&](int) {
      ++pauses;
      // Every wait starts with the old program back under the name.
      EXPECT_EQ(content(dir / "VelmoraUpdater.exe"), std::optional<std::string>("old"));
      return pauses != f.stop_at_pause;
    };

    const RetriedMove swapped = vup::swap_running_file(replacement, running, backups, pause, steps);
    EXPECT_EQ(swapped.error, c.error);
    EXPECT_EQ(swapped.stopped, c.stopped);
    EXPECT_EQ(content(dir / "VelmoraUpdater.exe"), c.under_name);
    EXPECT_EQ(content(dir / "VelmoraUpdater.exe.old"), c.backup0);
    EXPECT_EQ(content(dir / "VelmoraUpdater.exe.1.old"), c.backup1);
    EXPECT_EQ(std::filesystem::exists(dir / "VelmoraUpdater.exe.vup-part"), c.replacement_left);
    EXPECT_EQ(pauses, c.pauses);
  }
}

// After the name was left empty, the next try moves the new program in.
TEST(SwapRunningFile, AnEmptyNameIsFilledByTheNextTry) {
  vup::test::TempFolder dir;
  dir.write("VelmoraUpdater.exe", "old");
  dir.write("VelmoraUpdater.exe.vup-part", "new");
  const PathString running = (dir / "VelmoraUpdater.exe").native();
  const PathString replacement = (dir / "VelmoraUpdater.exe.vup-part").native();
  int in_tries = 0;
  vup::SwapSteps steps = vup::disk_swap_steps();
  steps.is_held = is_held;
  steps.move = [&](const PathString& source, const PathString& destination) {
    if (source == replacement && ++in_tries == 1) return held;  // step 2 held once ...
    if (destination == running && source != replacement) return failed;  // ... and no way back
    return vup::replace_file(source, destination);
  };
  steps.copy = [](const PathString&, const PathString&) { return not_copied; };
  const std::vector<PathString> backups = {(dir / "VelmoraUpdater.exe.old").native()};
  const RetriedMove swapped = vup::swap_running_file(replacement, running, backups, [](int) { return true; }, steps);
  EXPECT_EQ(swapped.error, 0);
  EXPECT_EQ(in_tries, 2);
  EXPECT_EQ(content(dir / "VelmoraUpdater.exe"), std::optional<std::string>("new"));
  EXPECT_EQ(content(dir / "VelmoraUpdater.exe.old"), std::optional<std::string>("old"));
}

}  // namespace
