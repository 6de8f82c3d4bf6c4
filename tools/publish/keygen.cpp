// velmora-publish keygen --secret-key FILE
#include <cstdio>

#include "fs/file_primitives.h"
#include "manifest/base64.h"
#include "tools/publish/publish.h"
#include "tools/publish/secret_key.h"

namespace vup::publish {

int keygen(const std::vector<PathString>& args) {
  if (args.size() != 2 || args[0] != VUP_PATH("--secret-key")) {
    return complain(2, "usage: velmora-publish keygen --secret-key FILE");
  }
  KeyPair keys;
  std::string error;
  if (!create_secret_key_file(args[1], keys, error)) return complain(1, error);
  // The public key alone on standard output, ready for VELMORA_PUBLIC_KEY.
  std::printf("%s\n", quillfen::updater::base64_encode(keys.public_key, sizeof keys.public_key).c_str());
  return 0;
}

}  // namespace vup::publish
