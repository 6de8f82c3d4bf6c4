// velmora-publish keygen --secret-key FILE
// velmora-publish public-key --secret-key FILE
#include <cstdio>

#include "fs/file_primitives.h"
#include "manifest/base64.h"
#include "tools/publish/publish.h"
#include "tools/publish/secret_key.h"

namespace vup::publish {
namespace {

constexpr char keygen_help[] =
    "usage: velmora-publish keygen --secret-key FILE\n"
    "\n"
    "Makes the release's Ed25519 key pair. The secret key goes into FILE, which must not\n"
    "exist yet and is made readable by its owner alone; the public key, 44 characters of\n"
    "Base64, is printed on standard output. Build the public key into the programs\n"
    "(VELMORA_PUBLIC_KEY, or scripts/release --public-key); keep the secret key off the\n"
    "update server and out of every build: whoever holds it can sign updates that every\n"
    "player's updater accepts.\n"
    "\n"
    "The secret key file is text. Its first line is VELMORA-SECRET-KEY- followed by the\n"
    "Base64 of the 32-byte key seed, then comment lines beginning with \"#\". The \"-\" is\n"
    "not a Base64 character, so the file can never pass for a public key, and the build\n"
    "refuses it as VELMORA_PUBLIC_KEY. Files from earlier versions (one line of 44\n"
    "Base64 characters) are still read, with a note suggesting a new key.\n";

constexpr char public_key_help[] =
    "usage: velmora-publish public-key --secret-key FILE\n"
    "\n"
    "Prints the public key of the secret key file FILE on standard output: the same 44\n"
    "characters of Base64 that keygen printed, to build into the programs\n"
    "(VELMORA_PUBLIC_KEY, or scripts/release --public-key).\n";

// Reads "--secret-key FILE" as a command's only option; false with the exit code in
// `code` when the arguments are something else or ask for help.
bool secret_key_option(const std::vector<PathString>& args, const char* help, PathString& file, int& code) {
  for (const PathString& arg : args) {
    if (is_help(arg)) {
      code = show_help(help);
      return false;
    }
  }
  if (args.size() == 1 && args[0] == VUP_PATH("--secret-key")) {
    code = complain(2, "missing value after --secret-key (the secret key file)");
    return false;
  }
  if (args.size() != 2 || args[0] != VUP_PATH("--secret-key")) {
    const std::string text(help);
    code = complain(2, text.substr(0, text.find('\n')));
    return false;
  }
  file = args[1];
  return true;
}

void print_public_key(const KeyPair& keys) {
  std::printf("%s\n", quillfen::updater::base64_encode(keys.public_key, sizeof keys.public_key).c_str());
}

}  // namespace

int keygen(const std::vector<PathString>& args) {
  PathString file;
  int code = 0;
  if (!secret_key_option(args, keygen_help, file, code)) return code;
  KeyPair keys;
  std::string error;
  if (!create_secret_key_file(file, keys, error)) return complain(1, error);
  // The public key alone on standard output, ready for VELMORA_PUBLIC_KEY.
  print_public_key(keys);
  return 0;
}

int public_key(const std::vector<PathString>& args) {
  PathString file;
  int code = 0;
  if (!secret_key_option(args, public_key_help, file, code)) return code;
  KeyPair keys;
  std::string error;
  if (!read_secret_key_file_noting_old_form(file, keys, error)) return complain(1, error);
  print_public_key(keys);
  return 0;
}

}  // namespace vup::publish
