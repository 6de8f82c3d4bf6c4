// velmora-publish build --game DIR --out DIR --secret-key FILE [--launcher FILE]
//                       [--seq N] [--created TEXT] [--keep-local PATH]...
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <sodium.h>

#include "base/constants.h"
#include "fs/file_primitives.h"
#include "fs/game_folder.h"
#include "fs/game_path.h"
#include "manifest/base64.h"
#include "manifest/envelope.h"
#include "manifest/manifest.h"
#include "tools/common/command_line.h"
#include "tools/publish/publish.h"
#include "tools/publish/secret_key.h"

namespace vup::publish {
namespace {

using quillfen::updater::FileEntry;

constexpr char usage[] =
    "usage: velmora-publish build --game DIR --out DIR --secret-key FILE [--launcher FILE] [--seq N]\n"
    "                             [--created TEXT] [--keep-local PATH]...";

constexpr char help[] =
    "usage: velmora-publish build --game DIR --out DIR --secret-key FILE [--launcher FILE] [--seq N]\n"
    "                             [--created TEXT] [--keep-local PATH]...\n"
    "\n"
    "Signs the game folder DIR as a new release into the update tree --out DIR: each file\n"
    "is stored as files/<sha256> (content already there is not copied again), and\n"
    "manifest.json, the signed list of every file with its size and SHA-256, is written\n"
    "last, so a host that serves the tree while it is built still serves the old release.\n"
    "Upload the tree as it is; velmora-publish verify checks it first.\n"
    "\n"
    "  --game DIR         the game as players should have it; every file in it is listed\n"
    "  --out DIR          the update tree, made when missing; an earlier release's tree is\n"
    "                     reused, and its files stay for players who are still updating\n"
    "  --secret-key FILE  the release's secret key file (velmora-publish keygen)\n"
    "  --launcher FILE    a VelmoraUpdater.exe to ship to the players as part of the\n"
    "                     release: their launchers replace themselves with it. Without it\n"
    "                     the release carries no launcher, and a VelmoraUpdater.exe in\n"
    "                     the game folder is refused\n"
    "  --seq N            the release's sequence number, a whole number: the launcher reads\n"
    "                     it as the release's time in Unix seconds and shows it as the date\n"
    "                     of the game files. Default: the current time. A player's updater\n"
    "                     accepts a manifest only when its seq is at least 1794484334\n"
    "                     (2026-11-12 11:52:14 UTC, lower is refused here too) and at\n"
    "                     least the highest seq that player's folder has accepted (an\n"
    "                     equal seq is accepted, a lower one is refused as \"older than\n"
    "                     one already seen\"). build itself asks for a seq larger than\n"
    "                     the one of the manifest already in --out. So a seq far in\n"
    "                     the future shuts out every later release with a smaller one\n"
    "                     from the folders that accepted it\n"
    "  --created TEXT     a note carried in the signed manifest, such as the build's name\n"
    "                     or date (\"2026-12-10 build 4711\"): ASCII text of at most 64\n"
    "                     bytes (other characters become \"?\"). The updater checks only its\n"
    "                     length and keeps it with the folder; it gives it no meaning.\n"
    "                     Default: none (the manifest has no \"created\")\n"
    "  --keep-local PATH  the game file PATH (as in the game folder, with \"/\") belongs to\n"
    "                     the player once installed: it is downloaded when the player has\n"
    "                     none, and otherwise never replaced or checked, whatever it holds.\n"
    "                     For files the game or the player changes (settings, saves).\n"
    "                     Repeat it for each such file. The game's options file,\n"
    "                     quillfen.ini at the top of the game folder, is kept local by\n"
    "                     itself, because the launcher writes the player's options into it\n";

struct BuildOptions {
  PathString game;
  PathString out;
  PathString secret_key;
  PathString launcher;  // empty: the release carries no launcher
  std::optional<std::int64_t> seq;
  std::string created;
  std::vector<std::string> keep_local;
};

std::optional<std::int64_t> parse_seq(const std::string& text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty() || text[0] == '-') return std::nullopt;
  return value;
}

bool is_launcher_path(const std::string& path) { return fold_game_path(path) == fold_game_path(updater_executable); }

// Whether `file` starts as every Windows program does, with "MZ".
bool is_windows_program(const PathString& file) {
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  char start[2] = {};
  return in.read(start, 2) && start[0] == 'M' && start[1] == 'Z';
}

// The seq of the manifest already in the tree, 0 when there is none.
std::optional<std::int64_t> current_seq(const PathString& manifest_path, std::string& error) {
  std::string text;
  const ReadResult read = read_whole_file(manifest_path, static_cast<std::uint32_t>(max_envelope_size), text);
  if (read == read_not_found) return 0;
  std::vector<std::uint8_t> payload;
  if (read == read_ok) {
    const auto envelope = nlohmann::json::parse(text, nullptr, false);
    if (envelope.is_object() && envelope.contains("payload") && envelope["payload"].is_string() &&
        quillfen::updater::base64_decode(envelope["payload"].get<std::string>(), payload)) {
      const auto manifest = nlohmann::json::parse(payload.begin(), payload.end(), nullptr, false);
      if (manifest.is_object() && manifest.contains("seq") && manifest["seq"].is_number_integer()) {
        return manifest["seq"].get<std::int64_t>();
      }
    }
  }
  error = narrow_ascii(manifest_path) +
          " exists but cannot be read as a manifest; move it away to start the tree anew";
  return std::nullopt;
}

class ProgressLine {
 public:
  ProgressLine(std::size_t files, std::uint64_t bytes) : files_(files), bytes_(bytes) {}
  void update(std::size_t files_done, std::uint64_t bytes_done, bool last = false) {
    const auto now = std::chrono::steady_clock::now();
    if (!last && now - shown_ < std::chrono::seconds(1)) return;
    if (last && !shown_any_) return;  // a tree done within a second stays quiet
    shown_ = now;
    shown_any_ = true;
    std::fprintf(stderr, "velmora-publish: %zu of %s, %.1f of %.1f MB\n", files_done, counted(files_, "file").c_str(),
                 bytes_done / 1048576.0, bytes_ / 1048576.0);
  }

 private:
  std::size_t files_;
  std::uint64_t bytes_;
  std::chrono::steady_clock::time_point shown_ = std::chrono::steady_clock::now();
  bool shown_any_ = false;
};

// What a game file became in the tree. Its size and digest come from one read of
// the file, and the content stored under that digest is checked to be what that
// read saw, so the two always agree.
struct StoredFile {
  std::uint64_t size = 0;
  std::string sha256;
};

// Reads `source` once for its size and digest and stores it as files/<digest>
// unless that content is there already: copied under a temporary name, the copy
// hashed as it is written, and moved into place only when it is the content read.
bool store_file(const PathString& source, const std::string& path, const PathString& files_folder,
                StoredFile& stored, std::string& error) {
  std::optional<std::string> digest = hash_file(source, nullptr, &stored.size);
  if (!digest) {
    error = "cannot read " + path;
    return false;
  }
  stored.sha256 = std::move(*digest);
  if (stored.size > max_manifest_file_size) {
    error = path + " is larger than 4 GiB, the largest file the updater accepts";
    return false;
  }
  const PathString target = files_folder + path_separator + widen_bytes(stored.sha256);
  if (file_stat(target)) return true;  // content-addressed: the same name is the same bytes

  const PathString temporary = target + widen_bytes(temporary_suffix);
  std::ifstream in(std::filesystem::path(source), std::ios::binary);
  OutputFile out;
  if (!in || !out.create(temporary)) {
    error = "cannot copy " + narrow_ascii(source) + " into " + narrow_ascii(files_folder);
    return false;
  }
  Sha256 hash;
  std::uint64_t copied = 0;
  std::vector<char> buffer(1 << 20);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto got = static_cast<std::uint32_t>(in.gcount());
    if (got == 0) break;
    hash.update(buffer.data(), got);
    copied += got;
    if (!out.write_all(buffer.data(), got)) {
      out.close();
      remove_file(temporary);
      error = "cannot write " + narrow_ascii(temporary) + " (is the disk full?)";
      return false;
    }
  }
  const bool read_all = in.eof() && !in.bad();
  if (!out.flush_and_close() || !read_all || copied != stored.size || hash.finish_hex() != stored.sha256) {
    remove_file(temporary);
    error = read_all ? path + " changed while it was being published; publish again" : "cannot read " + path;
    return false;
  }
  if (const int code = replace_file(temporary, target); code != 0) {
    remove_file(temporary);
    error = "cannot move " + narrow_ascii(temporary) + " into place (error " + std::to_string(code) + ")";
    return false;
  }
  return true;
}

int run_build(const BuildOptions& options) {
  KeyPair keys;
  std::string error;
  if (!read_secret_key_file_noting_old_form(options.secret_key, keys, error)) return complain(1, error);

  const std::int64_t seq = options.seq.value_or(static_cast<std::int64_t>(std::time(nullptr)));
  if (seq < sequence_floor) {
    return complain(1, "the seq " + std::to_string(seq) + " is below " + std::to_string(sequence_floor) +
                           ", the lowest the updater accepts");
  }
  if (options.created.size() > max_created_length) {
    return complain(1, "--created is longer than 64 bytes");
  }
  const PathString manifest_path = options.out + path_separator + VUP_PATH("manifest.json");
  const std::optional<std::int64_t> previous = current_seq(manifest_path, error);
  if (!previous) return complain(1, error);
  if (seq <= *previous) {
    return complain(1, "the tree already holds a manifest with seq " + std::to_string(*previous) +
                           "; the new seq must be larger (it is " + std::to_string(seq) + ")");
  }

  std::vector<std::string> listed;
  if (!scan_game_folder(options.game, max_listed_files, listed, error)) {
    return complain(1, "cannot list the game folder: " + error);
  }
  std::sort(listed.begin(), listed.end());
  // The launcher at the top of the game folder is the studio's own copy, perhaps
  // one it is still testing: a release carries one only when asked to.
  if (const auto own = std::find_if(listed.begin(), listed.end(), is_launcher_path); own != listed.end()) {
    return complain(1, *own + (options.launcher.empty()
                                   ? ": the launcher is not taken from the game folder; remove it, and pass the "
                                     "launcher to publish with --launcher FILE"
                                   : ": the launcher comes from --launcher; remove this copy from the game folder"));
  }
  if (!options.launcher.empty()) {
    if (!file_stat(options.launcher)) return complain(1, "--launcher: cannot read " + narrow_ascii(options.launcher));
    if (!is_windows_program(options.launcher)) {
      return complain(1, "--launcher: " + narrow_ascii(options.launcher) +
                             " is not a Windows program (it does not begin with \"MZ\")");
    }
    listed.insert(std::lower_bound(listed.begin(), listed.end(), std::string(updater_executable)), updater_executable);
  }
  if (listed.empty()) return complain(1, "the game folder holds no files");
  if (listed.size() > max_manifest_files) {
    return complain(1, "the game folder holds " + std::to_string(listed.size()) + " files; the updater accepts at most " +
                           std::to_string(max_manifest_files));
  }

  std::map<std::string, std::string> folded_seen;  // folded path -> path
  std::vector<FileEntry> entries;
  std::vector<PathString> locals;
  std::uint64_t total = 0;
  for (const std::string& path : listed) {
    if (!is_safe_game_path(path)) {
      return complain(1, "\"" + path + "\": the updater refuses this name. Game paths are printable ASCII " +
                             "without \" * : < > ? \\ | ~, at most 200 characters, in parts of at most 100 that " +
                             "do not begin with a space or end with a space or a dot, and no part is a device " +
                             "name such as CON, NUL, COM1 or LPT1");
    }
    if (is_updater_owned_path(path)) {
      return complain(1, path + ": this name belongs to the updater itself; remove it from the game folder");
    }
    const auto [seen, inserted] = folded_seen.emplace(fold_game_path(path), path);
    if (!inserted) {
      return complain(1, seen->second + " and " + path + " differ only in letter case; Windows cannot hold both");
    }
    std::optional<PathString> local =
        is_launcher_path(path) ? std::optional<PathString>(options.launcher) : inspect_game_path(options.game, path, error);
    if (!local) return complain(1, path + ": " + error);
    const std::optional<FileStat> stat = file_stat(*local);
    if (!stat) return complain(1, "cannot read the size of " + path);
    if (stat->size > max_manifest_file_size) {
      return complain(1, path + " is larger than 4 GiB, the largest file the updater accepts");
    }
    entries.push_back(FileEntry{path, stat->size, {}, false});
    locals.push_back(std::move(*local));
    total += stat->size;
  }
  // The launcher writes the player's options into the game's options file; as an
  // ordinary entry it would fail every Play after an options change, and every
  // update would put the studio's options back.
  for (FileEntry& entry : entries) {
    if (fold_game_path(entry.path) != fold_game_path(options_file_name)) continue;
    entry.keep_local = true;
    const bool asked = std::any_of(options.keep_local.begin(), options.keep_local.end(), [&](const std::string& keep) {
      return fold_game_path(keep) == fold_game_path(entry.path);
    });
    if (!asked) {
      std::printf("%s is the game's options file: marked keep_local, so that players keep their options\n",
                  entry.path.c_str());
    }
  }
  for (const std::string& keep : options.keep_local) {
    const auto it = folded_seen.find(fold_game_path(keep));
    if (it == folded_seen.end()) return complain(1, "--keep-local " + keep + ": no such file in the game folder");
    for (FileEntry& entry : entries) {
      if (entry.path == it->second) entry.keep_local = true;
    }
  }

  const PathString files_folder = options.out + path_separator + VUP_PATH("files");
  std::error_code made;
  std::filesystem::create_directories(std::filesystem::path(files_folder), made);
  if (made) return complain(1, "cannot create " + narrow_ascii(files_folder) + ": " + made.message());

  // The sizes listed so far only size the progress; what is signed is what was read.
  ProgressLine progress(entries.size(), total);
  std::uint64_t done = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    StoredFile stored;
    if (!store_file(locals[i], entries[i].path, files_folder, stored, error)) return complain(1, error);
    entries[i].size = stored.size;
    entries[i].sha256 = std::move(stored.sha256);
    done += entries[i].size;
    progress.update(i + 1, done);
  }
  total = done;
  progress.update(entries.size(), done, /*last=*/true);

  nlohmann::json files = nlohmann::json::array();
  for (const FileEntry& entry : entries) {
    nlohmann::json item{{"path", entry.path}, {"sha256", entry.sha256}, {"size", entry.size}};
    if (entry.keep_local) item["keep_local"] = true;
    files.push_back(std::move(item));
  }
  nlohmann::json manifest{{"format", 1}, {"seq", seq}, {"files", std::move(files)}};
  if (!options.created.empty()) manifest["created"] = options.created;
  const std::string payload = manifest.dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);

  std::uint8_t signature[crypto_sign_BYTES];
  crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(payload.data()), payload.size(),
                       keys.secret_key);
  const std::string envelope =
      nlohmann::json{{"payload", quillfen::updater::base64_encode(
                                     reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size())},
                     {"sig", quillfen::updater::base64_encode(signature, sizeof signature)}}
          .dump();
  if (envelope.size() > max_envelope_size) {
    return complain(1, "the signed manifest would be " + std::to_string(envelope.size()) +
                           " bytes; the updater accepts at most 1048576. Publish fewer files or shorter paths");
  }
  // What the players' updaters will do with it, checked before it is published.
  const auto opened = quillfen::updater::open_signed_manifest(envelope, keys.public_key, sequence_floor);
  if (opened.error != quillfen::updater::manifest_ok) {
    return complain(1, std::string("the manifest would be refused: ") +
                           quillfen::updater::manifest_error_text(opened.error) + " " + opened.detail);
  }
  if (!write_file_atomically(manifest_path, envelope.data(), static_cast<std::uint32_t>(envelope.size()))) {
    return complain(1, "cannot write " + narrow_ascii(manifest_path));
  }
  std::printf("published seq %lld: %s, %.1f MB\n", static_cast<long long>(seq), counted(entries.size(), "file").c_str(),
              total / 1048576.0);
  return 0;
}

}  // namespace

int build(const std::vector<PathString>& args) {
  BuildOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const PathString& flag = args[i];
    if (is_help(flag)) return show_help(help);
    if (i + 1 >= args.size()) return complain(2, "missing value after " + narrow_ascii(flag) + "\n" + usage);
    const PathString& value = args[++i];
    if (flag == VUP_PATH("--game")) {
      options.game = tools::absolute_folder(value);
    } else if (flag == VUP_PATH("--out")) {
      options.out = tools::absolute_folder(value);
    } else if (flag == VUP_PATH("--secret-key")) {
      options.secret_key = value;
    } else if (flag == VUP_PATH("--launcher")) {
      options.launcher = value;
    } else if (flag == VUP_PATH("--seq")) {
      options.seq = parse_seq(narrow_ascii(value));
      if (!options.seq) return complain(2, "--seq needs a whole number of seconds, got " + narrow_ascii(value));
    } else if (flag == VUP_PATH("--created")) {
      options.created = narrow_ascii(value);
    } else if (flag == VUP_PATH("--keep-local")) {
      options.keep_local.push_back(narrow_ascii(value));
    } else {
      return complain(2, "unexpected argument " + narrow_ascii(flag) + "\n" + usage);
    }
  }
  if (options.game.empty() || options.out.empty() || options.secret_key.empty()) {
    return complain(2, std::string("--game, --out and --secret-key are required\n") + usage);
  }
  return run_build(options);
}

}  // namespace vup::publish
