#include "fs/game_folder.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(InspectGamePath, GameFolderMustBeOnALocalDrive) {
  struct Case {
    std::wstring game_folder;
    std::string manifest_path;
    std::string error;
  };
  const Case cases[] = {
      {L"\\\\server\\share\\Game", "Data/Map.rk", "the game folder must be on a local drive (not a network path)"},
      {L"\\\\?\\C:\\Game", "Data/Map.rk", "the game folder must be on a local drive (not a network path)"},
      {L"\\\\server\\share", "Data/../Map.rk", "the manifest names an unsafe path"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.manifest_path);
    std::string error;
    EXPECT_EQ(vup::inspect_game_path(c.game_folder, c.manifest_path, error), std::nullopt);
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
