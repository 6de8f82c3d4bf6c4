// Which command lines start the program as an installed copy.
#include "app/install_mode.h"

#include <gtest/gtest.h>

namespace vup {
namespace {

TEST(InstallMode, ExactlyTheOneArgumentInstall) {
  struct Case {
    const char* name;
    std::vector<PathString> arguments;
    bool install;
  };
  const Case cases[] = {
      {"the one argument", {VUP_PATH("VelmoraUpdater.exe"), VUP_PATH("--install")}, true},
      {"in capitals", {VUP_PATH("VelmoraUpdater.exe"), VUP_PATH("--INSTALL")}, false},
      {"one letter in capitals", {VUP_PATH("VelmoraUpdater.exe"), VUP_PATH("--Install")}, false},
      {"a character appended", {VUP_PATH("VelmoraUpdater.exe"), VUP_PATH("--installx")}, false},
      {"a character short", {VUP_PATH("VelmoraUpdater.exe"), VUP_PATH("--instal")}, false},
      {"a second argument", {VUP_PATH("VelmoraUpdater.exe"), VUP_PATH("--install"), VUP_PATH("--install")}, false},
      {"second of two", {VUP_PATH("VelmoraUpdater.exe"), VUP_PATH("x"), VUP_PATH("--install")}, false},
      {"no argument", {VUP_PATH("VelmoraUpdater.exe")}, false},
      {"not even the program", {}, false},
      {"as the program's name", {VUP_PATH("--install")}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(is_install_command_line(c.arguments), c.install);
  }
}

}  // namespace
}  // namespace vup
