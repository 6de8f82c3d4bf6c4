// The copy into the subfolder and the start of the copy, with the stand-in game in
// the place of the program (it records its folder and arguments).
#include "install/install_elsewhere.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "fs/file_primitives.h"
#include "fs/utf8_path.h"
#include "tests/support/temp_folder.h"
#include "update/game_files.h"

namespace {

namespace fs = std::filesystem;
using vup::test::TempFolder;

vup::PathString stand_in_program() { return vup::child_path(vup::program_folder(), "test_game.exe"); }

std::string wait_for_file(const fs::path& file) {
  for (int i = 0; i < 200 && !fs::exists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return vup::test::read_bytes(file);
}

TEST(InstallElsewhereWin, CopiesTheProgramAndStartsTheCopyWithInstall) {
  TempFolder dir;
  const vup::PathString program = stand_in_program();
  const vup::PathString target = (dir / "Velmora").native();
  const vup::InstallElsewhereResult copied = vup::copy_program(program, target);
  ASSERT_TRUE(copied.ok) << copied.detail;
  const vup::PathString destination = vup::program_copy_path(target, program);
  EXPECT_EQ(copied.program, destination);
  EXPECT_EQ(vup::test::read_bytes(destination), vup::test::read_bytes(program));
  // Again: the folder exists and an older copy is replaced.
  ASSERT_TRUE(vup::copy_program(program, target).ok);

  int error = 0;
  ASSERT_TRUE(vup::start_program(destination, target, L"--install", error)) << error;
  // The stand-in writes text mode lines: "\r\n" here.
  std::string record = wait_for_file(dir / "Velmora" / "started.txt");
  std::erase(record, '\r');
  const std::size_t line_end = record.find('\n');
  ASSERT_NE(line_end, std::string::npos) << record;
  EXPECT_EQ(fs::path(record.substr(0, line_end)), fs::path(target)) << "started in the subfolder";
  EXPECT_EQ(record.substr(line_end + 1), "--install\n") << "with the one argument";
}

TEST(InstallElsewhereWin, AFailedCopyCarriesItsErrorCode) {
  TempFolder dir;
  dir.write("Velmora", "a file where the folder belongs");
  const vup::PathString target = (dir / "Velmora").native();
  const vup::InstallElsewhereResult copied = vup::copy_program(stand_in_program(), target);
  EXPECT_FALSE(copied.ok);
  EXPECT_NE(copied.error, 0);
  EXPECT_EQ(copied.status, "The game folder could not be made");
  EXPECT_EQ(copied.detail, vup::copy_failure_detail(vup::path_to_utf8(target), copied.error));
  EXPECT_EQ(vup::test::read_bytes(dir / "Velmora"), "a file where the folder belongs");

  int error = 0;
  EXPECT_FALSE(vup::start_program((dir / "missing.exe").native(), dir.native(), L"--install", error));
  EXPECT_NE(error, 0);
}

}  // namespace
