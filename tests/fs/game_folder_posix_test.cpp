#include "fs/game_folder.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

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
  // Root reads every folder; the scan runs in a child without those rights.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(2);
    std::vector<std::string> files;
    std::string error;
    const bool ok = vup::scan_game_folder(folder.path().native(), 10, files, error);
    _exit(!ok && error ==
                     "cannot read the folder Saves (error 13). Move or remove that folder, then try again"
              ? 0
              : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  chmod((folder.path() / "Saves").c_str(), 0700);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
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
