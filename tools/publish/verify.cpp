// velmora-publish verify --out DIR --public-key KEY
#include <cstdio>
#include <string>

#include "base/constants.h"
#include "fs/file_primitives.h"
#include "manifest/base64.h"
#include "manifest/envelope.h"
#include "tools/common/command_line.h"
#include "tools/publish/publish.h"
#include "tools/publish/secret_key.h"

namespace vup::publish {
namespace {

constexpr char usage[] = "usage: velmora-publish verify --out DIR --public-key KEY";

constexpr char help[] =
    "usage: velmora-publish verify --out DIR --public-key KEY\n"
    "\n"
    "Checks the update tree --out DIR as a player's updater will see it: manifest.json\n"
    "must be signed by the secret key of the public key KEY (the 44 characters that\n"
    "keygen and public-key print) and be a manifest the updater accepts, and every\n"
    "file it lists must be in files/ with its size and SHA-256. Run it before uploading\n"
    "a tree; it exits 1 and names each file that is not as signed.\n";

}  // namespace

int verify(const std::vector<PathString>& args) {
  PathString out;
  std::string key_text;
  for (std::size_t i = 0; i < args.size(); i += 2) {
    if (is_help(args[i])) return show_help(help);
    if (i + 1 >= args.size()) return complain(2, "missing value after " + narrow_ascii(args[i]) + "\n" + usage);
    if (args[i] == VUP_PATH("--out")) {
      out = tools::absolute_folder(args[i + 1]);
    } else if (args[i] == VUP_PATH("--public-key")) {
      key_text = narrow_ascii(args[i + 1]);
    } else {
      return complain(2, "unexpected argument " + narrow_ascii(args[i]) + "\n" + usage);
    }
  }
  if (out.empty() || key_text.empty()) return complain(2, std::string("--out and --public-key are required\n") + usage);
  std::uint8_t key[32];
  if (key_text.find(secret_key_prefix) != std::string::npos) {
    return complain(1, "--public-key is the secret key; give the public key, which velmora-publish public-key "
                       "--secret-key FILE prints");
  }
  if (!quillfen::updater::decode_builtin_key(key_text, key)) {
    return complain(1, "the public key must be 44 characters of Base64 that decode to 32 bytes");
  }

  const PathString manifest_path = out + path_separator + VUP_PATH("manifest.json");
  std::string envelope;
  // One byte over the limit is enough to see that the manifest is too large.
  const ReadResult read = read_whole_file(manifest_path, static_cast<std::uint32_t>(max_envelope_size + 1), envelope);
  if (read == read_too_large) return complain(1, "manifest.json: the manifest is too large");
  if (read != read_ok) return complain(1, "cannot read " + narrow_ascii(manifest_path));
  const auto opened = quillfen::updater::open_signed_manifest(envelope, key, sequence_floor);
  if (opened.error != quillfen::updater::manifest_ok) {
    std::string message = std::string("manifest.json: the update could not be trusted: ") +
                          quillfen::updater::manifest_error_text(opened.error);
    if (!opened.detail.empty()) message += " (" + opened.detail + ")";
    return complain(1, message);
  }

  std::size_t problems = 0;
  std::uint64_t total = 0;
  for (const auto& entry : opened.manifest.files) {
    const PathString content = out + path_separator + VUP_PATH("files") + path_separator + widen_bytes(entry.sha256);
    const std::optional<FileStat> stat = file_stat(content);
    std::string problem;
    if (!stat) {
      problem = "missing";
    } else if (stat->size != entry.size) {
      problem = "has " + std::to_string(stat->size) + " bytes, the manifest says " + std::to_string(entry.size);
    } else if (hash_file(content) != entry.sha256) {
      problem = "does not have the SHA-256 the manifest gives";
    }
    if (!problem.empty()) {
      ++problems;
      std::fprintf(stderr, "velmora-publish: %s: files/%s %s\n", entry.path.c_str(), entry.sha256.c_str(),
                   problem.c_str());
    }
    total += entry.size;
  }
  if (problems != 0) {
    return complain(1, counted(problems, "file") + " of the tree " + (problems == 1 ? "is" : "are") + " not as signed");
  }
  std::printf("verified seq %lld: %s, %.1f MB\n", static_cast<long long>(opened.manifest.seq),
              counted(opened.manifest.files.size(), "file").c_str(), total / 1048576.0);
  return 0;
}

}  // namespace vup::publish
