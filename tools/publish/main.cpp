// velmora-publish: turns a game folder into a signed update tree.
#include <cstdio>
#include <string>

#include "fs/file_primitives.h"
#include "tools/common/command_line.h"
#include "tools/common/dll_search.h"
#include "tools/publish/publish.h"

namespace vup::publish {

int complain(int code, const std::string& message) {
  std::fprintf(stderr, "velmora-publish: %s\n", message.c_str());
  return code;
}

}  // namespace vup::publish

int main(int argc, char** argv) {
  vup::tools::restrict_dll_search();
  const auto args = vup::tools::command_line_arguments(argc, argv);
  const std::vector<vup::PathString> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
  if (!args.empty() && args[0] == VUP_PATH("keygen")) return vup::publish::keygen(rest);
  if (!args.empty() && args[0] == VUP_PATH("build")) return vup::publish::build(rest);
  if (!args.empty() && args[0] == VUP_PATH("verify")) return vup::publish::verify(rest);
  std::fputs(
      "usage: velmora-publish keygen --secret-key FILE\n"
      "       velmora-publish build --game DIR --out DIR --secret-key FILE [--launcher FILE] [--seq N]\n"
      "                             [--created TEXT] [--keep-local PATH]...\n"
      "       velmora-publish verify --out DIR --public-key KEY\n",
      stderr);
  return 2;
}
