// velmora-check-config URL KEY: whether an update address and a public key would be
// accepted by the programs they are built into, by the same rules those programs
// apply when they run. scripts/release asks it before building anything, so that a
// release never ships a launcher that refuses every update. Never shipped.
#include <cstdio>
#include <string>

#include "tools/check_config/release_settings.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: velmora-check-config URL KEY\n", stderr);
    return 2;
  }
  int problems = 0;
  for (const std::string& problem : {vup::tools::update_url_problem(argv[1]), vup::tools::public_key_problem(argv[2])}) {
    if (problem.empty()) continue;
    std::fprintf(stderr, "%s\n", problem.c_str());
    ++problems;
  }
  return problems == 0 ? 0 : 1;
}
