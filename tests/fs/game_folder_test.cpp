#include "fs/game_folder.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fs/file_primitives.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using vup::test::TempFolder;
using vup::test::write_bytes;

#ifdef _WIN32
const vup::PathString long_prefix = L"\\\\?\\";
const int missing_folder_code = 3;  // ERROR_PATH_NOT_FOUND
#else
const vup::PathString long_prefix;
const int missing_folder_code = 2;  // ENOENT
#endif

// A game folder path as messages show it.
std::string shown(const fs::path& path) { return vup::narrow_ascii(path.native()); }

std::vector<std::string> scan_sorted(const fs::path& folder, std::uint32_t max_entries, std::string& error) {
  std::vector<std::string> files;
  EXPECT_TRUE(vup::scan_game_folder(folder.native(), max_entries, files, error)) << error;
  std::sort(files.begin(), files.end());
  return files;
}

// 5 entries: 3 files and 2 folders, one of them empty.
void make_small_tree(const fs::path& root) {
  fs::create_directories(root / "Data" / "Empty");
  write_bytes(root / "Game.exe", "x");
  write_bytes(root / "Data" / "Map.rk", "x");
  write_bytes(root / "Data" / "Sky.rk", "x");
}

TEST(ScanGameFolder, ListsEveryFileInManifestForm) {
  TempFolder folder;
  std::string error;
  EXPECT_TRUE(scan_sorted(folder.path(), 10, error).empty());

  make_small_tree(folder.path());
  fs::create_directories(folder.path() / "a" / "b" / "c");
  write_bytes(folder.path() / "a" / "b" / "c" / "deep.txt", "x");
  write_bytes(folder.path() / fs::path(u8"caf\u00e9.txt"), "x");
  const std::vector<std::string> expected = {"Data/Map.rk", "Data/Sky.rk", "Game.exe", "a/b/c/deep.txt",
                                             "caf?.txt"};
  EXPECT_EQ(scan_sorted(folder.path(), 100, error), expected);
}

TEST(ScanGameFolder, EntryLimitCountsFilesAndFolders) {
  TempFolder folder;
  make_small_tree(folder.path());
  std::string error;
  EXPECT_EQ(scan_sorted(folder.path(), 5, error).size(), 3u);

  std::vector<std::string> files;
  EXPECT_FALSE(vup::scan_game_folder(folder.path().native(), 4, files, error));
  EXPECT_EQ(error, "the game folder holds more than 4 files. Remove files you added to it, then try again");
}

TEST(ScanGameFolder, StopsAndNamesUnreadableFolders) {
  TempFolder folder;
  make_small_tree(folder.path());
  std::vector<std::string> files;
  std::string error;
  const std::atomic<bool> stop{true};
  EXPECT_FALSE(vup::scan_game_folder(folder.path().native(), 100, files, error, &stop));
  EXPECT_EQ(error, "stopped");

  // The game folder itself cannot be read: it is not there.
  EXPECT_FALSE(vup::scan_game_folder((folder.path() / "gone").native(), 100, files, error));
  EXPECT_EQ(error, "cannot read the folder of the game (error " + std::to_string(missing_folder_code) +
                       "). Move or remove that folder, then try again");
}

TEST(InspectGamePath, GivesTheLocalPathOfSafePaths) {
  TempFolder folder;
  const fs::path root = folder.path();
  fs::create_directory(root / "Data");
  write_bytes(root / "Data" / "Map.rk", "x");
  struct Case {
    std::string manifest_path;
    fs::path local;
  };
  const Case cases[] = {
      {"Data/Map.rk", root / "Data" / "Map.rk"},    // all there
      {"Data/New.rk", root / "Data" / "New.rk"},    // the file is missing
      {"Gone/Deep/A.rk", root / "Gone" / "Deep" / "A.rk"},  // a missing middle folder
      {"Top.rk", root / "Top.rk"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.manifest_path);
    std::string error;
    EXPECT_EQ(vup::inspect_game_path(root.native(), c.manifest_path, error), long_prefix + c.local.native()) << error;
  }
}

TEST(InspectGamePath, RefusesWhatMustNotBeTouched) {
  TempFolder folder;
  const fs::path root = folder.path();
  fs::create_directories(root / "Data" / "Map.rk");
  write_bytes(root / "File", "x");
  struct Case {
    vup::PathString game_folder;
    std::string manifest_path;
    std::string error;
  };
  const Case cases[] = {
      {root.native(), "../x", "the manifest names an unsafe path"},
      {vup::PathString(), "../x", "the manifest names an unsafe path"},
      {vup::PathString(), "Data/Map.rk", "the game folder must be on a local drive (not a network path)"},
      {root.native(), "Data/Map.rk", shown(root / "Data" / "Map.rk") + " is a folder where a file belongs"},
      {root.native(), "File/Map.rk", shown(root / "File") + " is a file where a folder belongs"},
      {root.native(), "Data/Map.rk/x/y", "" /* the way goes on below a folder: allowed */},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.manifest_path);
    std::string error;
    const auto local = vup::inspect_game_path(c.game_folder, c.manifest_path, error);
    if (c.error.empty()) {
      EXPECT_TRUE(local.has_value()) << error;
    } else {
      EXPECT_FALSE(local.has_value());
      EXPECT_EQ(error, c.error);
    }
  }
}

TEST(CreateParentFolders, MakesOnlyTheFoldersAboveTheFile) {
  TempFolder folder;
  const vup::PathString root = folder.path().native();
  std::string error;

  const auto top = vup::inspect_game_path(root, "Top.rk", error);
  ASSERT_TRUE(top.has_value());
  EXPECT_TRUE(vup::create_parent_folders(root, *top));
  EXPECT_TRUE(fs::is_empty(folder.path()));

  const auto deep = vup::inspect_game_path(root, "a/b/c.rk", error);
  ASSERT_TRUE(deep.has_value());
  EXPECT_TRUE(vup::create_parent_folders(root, *deep));
  EXPECT_TRUE(fs::is_directory(folder.path() / "a" / "b"));
  EXPECT_FALSE(fs::exists(folder.path() / "a" / "b" / "c.rk"));
  EXPECT_TRUE(vup::create_parent_folders(root, *deep)) << "folders that exist are fine";

  // A file stands where a folder has to be made.
  write_bytes(folder.path() / "File", "x");
  const vup::PathString blocked = long_prefix + (folder.path() / "File" / "x" / "y.rk").native();
  EXPECT_FALSE(vup::create_parent_folders(root, blocked));
  EXPECT_NE(vup::last_error_code(), 0);
}

}  // namespace
