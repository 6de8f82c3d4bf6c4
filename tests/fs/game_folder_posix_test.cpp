#include "fs/game_folder.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tests/support/unprivileged_posix.h"

namespace {

namespace fs = std::filesystem;
using vup::test::TempFolder;
using vup::test::write_bytes;

TEST(ScanGameFolder, ListsLinksAsFilesAndNeverEntersThem) {
  TempFolder folder;
  const fs::path game = folder.path() / "game";
  const fs::path elsewhere = folder.path() / "elsewhere";
  fs::create_directories(game);
  fs::create_directories(elsewhere);
  write_bytes(elsewhere / "secret.dll", "x");
  fs::create_directory_symlink(elsewhere, game / "Linked");
  fs::create_symlink(elsewhere / "secret.dll", game / "file_link.dll");

  std::vector<std::string> files;
  std::string error;
  ASSERT_TRUE(vup::scan_game_folder(game.native(), 10, files, error)) << error;
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"Linked", "file_link.dll"}));
}

TEST(ScanGameFolder, NamesAFolderItCannotOpen) {
  TempFolder folder;
  fs::create_directory(folder.path() / "Saves");
  write_bytes(folder.path() / "Saves" / "slot1", "x");
  ASSERT_EQ(chmod((folder.path() / "Saves").c_str(), 0), 0);
  // Root reads every folder; the scan runs without those rights.
  const int result = vup::test::run_unprivileged([&] {
    std::vector<std::string> files;
    std::string error;
    const bool ok = vup::scan_game_folder(folder.path().native(), 10, files, error);
    return !ok && error == "cannot read the folder Saves (error 13). Move or remove that folder, then try again";
  });
  chmod((folder.path() / "Saves").c_str(), 0700);
  EXPECT_EQ(result, 0);
}

// A server's game folder is often a link (/srv/game). The folder the user names
// is followed; links below it still are not.
TEST(GameFolder, ReachedThroughALink) {
  TempFolder folder;
  const fs::path real = folder.path() / "real";
  const fs::path named = folder.path() / "named";
  fs::create_directories(real / "Mods");
  fs::create_directories(folder.path() / "elsewhere");
  write_bytes(real / "KSLv41.exe", "x");
  write_bytes(real / "Mods" / "Edited.DLL", "x");
  write_bytes(folder.path() / "elsewhere" / "hidden.dll", "x");
  fs::create_directory_symlink(folder.path() / "elsewhere", real / "Linked");
  fs::create_directory_symlink(real, named);

  std::vector<std::string> files;
  std::string error;
  ASSERT_TRUE(vup::scan_game_folder(named.native(), 10, files, error)) << error;
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"KSLv41.exe", "Linked", "Mods/Edited.DLL"}));

  EXPECT_EQ(vup::spelled_game_path(named.native(), "mods/edited.dll"), "Mods/Edited.DLL");
  EXPECT_EQ(vup::inspect_game_path(named.native(), "Mods/Edited.DLL", error), (named / "Mods" / "Edited.DLL").native())
      << error;
  EXPECT_EQ(vup::inspect_game_path(named.native(), "Linked/hidden.dll", error), std::nullopt);
  EXPECT_EQ(error, (named / "Linked").native() + " is a junction or symbolic link");
}

// A pipe (or device) where a game file belongs is refused at once: reading one
// could wait forever.
TEST(InspectGamePath, RefusesSpecialFiles) {
  TempFolder folder;
  ASSERT_EQ(mkfifo((folder.path() / "pipe.rk").c_str(), 0600), 0);
  std::string error;
  EXPECT_EQ(vup::inspect_game_path(folder.native(), "pipe.rk", error), std::nullopt);
  EXPECT_EQ(error, (folder.path() / "pipe.rk").native() + " is not a regular file");
  EXPECT_EQ(vup::inspect_game_path(folder.native(), "pipe.rk/Map.rk", error), std::nullopt);
  EXPECT_EQ(error, (folder.path() / "pipe.rk").native() + " is a file where a folder belongs");
}

TEST(InspectGamePath, RefusesLinksAndRelativeFolders) {
  TempFolder folder;
  const fs::path game = folder.path() / "game";
  fs::create_directories(game / "Data");
  fs::create_directories(folder.path() / "elsewhere");
  fs::create_directory_symlink(folder.path() / "elsewhere", game / "Linked");
  fs::create_symlink(folder.path() / "nowhere", game / "Data" / "dangling.rk");

  struct Case {
    std::string game_folder;
    std::string manifest_path;
    std::string error;
  };
  const Case cases[] = {
      {game.native(), "Linked/Map.rk", (game / "Linked").native() + " is a junction or symbolic link"},
      {game.native(), "Linked", (game / "Linked").native() + " is a junction or symbolic link"},
      {game.native(), "Data/dangling.rk", (game / "Data" / "dangling.rk").native() + " is a junction or symbolic link"},
      {"game", "Data/Map.rk", "the game folder must be on a local drive (not a network path)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.manifest_path);
    std::string error;
    EXPECT_EQ(vup::inspect_game_path(c.game_folder, c.manifest_path, error), std::nullopt);
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
