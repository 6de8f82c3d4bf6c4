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

bool is_help(const PathString& arg) { return arg == VUP_PATH("--help") || arg == VUP_PATH("-h"); }

int show_help(const char* text) {
  std::fputs(text, stdout);
  return 0;
}

std::string counted(std::size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace vup::publish

namespace {

constexpr char usage[] =
    "usage: velmora-publish keygen --secret-key FILE\n"
    "       velmora-publish public-key --secret-key FILE\n"
    "       velmora-publish build --game DIR --out DIR --secret-key FILE [--launcher FILE] [--seq N]\n"
    "                             [--created TEXT] [--keep-local PATH]...\n"
    "       velmora-publish verify --out DIR --public-key KEY\n"
    "       velmora-publish COMMAND --help   (what COMMAND does and what its options mean)\n";

constexpr char overview[] =
    "velmora-publish makes the signed update tree that the launcher and velmora-update\n"
    "download: \"manifest.json\", the list of the game's files signed with the release's\n"
    "secret key, and \"files/<sha256>\" for each file. Upload the tree to any static\n"
    "HTTPS host, at the address built into the launcher.\n"
    "\n"
    "  keygen      make the release's key pair: the secret key file, and the public key\n"
    "              on standard output, to build into the programs\n"
    "  public-key  print the public key of a secret key file again\n"
    "  build       sign a game folder into the tree (a new release)\n"
    "  verify      check a tree against the public key, as a player's updater would\n"
    "\n";

struct Command {
  const vup::PathChar* name;
  int (*run)(const std::vector<vup::PathString>&);
};

constexpr Command commands[] = {
    {VUP_PATH("keygen"), vup::publish::keygen},
    {VUP_PATH("public-key"), vup::publish::public_key},
    {VUP_PATH("build"), vup::publish::build},
    {VUP_PATH("verify"), vup::publish::verify},
};

}  // namespace

int main(int argc, char** argv) {
  vup::tools::restrict_dll_search();
  const auto args = vup::tools::command_line_arguments(argc, argv);
  if (args.empty()) {
    std::fputs(usage, stderr);
    return 2;
  }
  std::vector<vup::PathString> rest(args.begin() + 1, args.end());
  vup::PathString name = args[0];
  if (vup::publish::is_help(name) || name == VUP_PATH("help")) {
    if (rest.empty()) {
      std::fputs(overview, stdout);
      std::fputs(usage, stdout);
      return 0;
    }
    // "help build" is "build --help".
    name = rest[0];
    rest = {VUP_PATH("--help")};
  }
  for (const Command& command : commands) {
    if (name == command.name) return command.run(rest);
  }
  std::fprintf(stderr, "velmora-publish: unknown command %s\n", vup::narrow_ascii(name).c_str());
  std::fputs(usage, stderr);
  return 2;
}
