// velmora-check-config URL KEY: whether an update address and a public key would be
// accepted by the programs they are built into, by the same rules those programs
// apply when they run. scripts/release asks it before building anything, so that a
// release never ships a launcher that refuses every update. Never shipped.
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "manifest/base64.h"
#include "net/http.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: velmora-check-config URL KEY\n", stderr);
    return 2;
  }
  int problems = 0;
  if (!vup::parse_base_address(argv[1], false)) {
    std::fprintf(stderr,
                 "the update address \"%s\" is not one the updater accepts: it must be https://, a host name, "
                 "an optional port, and a path ending in / (https://updates.example.com/)\n",
                 argv[1]);
    ++problems;
  }
  std::uint8_t key[32];
  if (std::string_view(argv[2]).empty()) {
    std::fputs("the public key is missing: give the 44 characters that velmora-publish keygen printed\n", stderr);
    ++problems;
  } else if (!quillfen::updater::decode_builtin_key(argv[2], key)) {
    std::fputs("the public key is malformed: it must be 44 characters of Base64 that decode to 32 bytes, "
               "as velmora-publish keygen prints it\n",
               stderr);
    ++problems;
  }
  return problems == 0 ? 0 : 1;
}
