// Links, which the Windows build can only meet on a real Windows: a "Velmora"
// that is a link counts as taken, whatever it points at.
#include <filesystem>

#include <gtest/gtest.h>

#include "install/folder_probe.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(FolderOnDiskPosix, ALinkedSubfolderCannotHoldTheGame) {
  vup::test::TempFolder dir;
  dir.write("VelmoraUpdater.exe", "x");
  dir.write("photo.jpg", "x");
  fs::create_directory(dir / "elsewhere");
  fs::create_directory_symlink(dir / "elsewhere", dir / "Velmora");
  EXPECT_EQ(vup::path_kind((dir / "Velmora").native()), vup::PathKind::other);
  vup::SystemFolderProbe probe;
  const vup::FolderCheck check = vup::check_folder(probe, dir.native(), "VelmoraUpdater.exe");
  EXPECT_TRUE(check.cannot_hold);
  EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
}

}  // namespace
