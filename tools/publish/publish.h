// velmora-publish: the publisher's side of the update server. A release is a
// folder served as it is by any static HTTPS host: "files/<sha256>" for every file
// and "manifest.json", the signed list, written last.
#pragma once

#include <string>
#include <vector>

#include "fs/platform_path.h"

namespace vup::publish {

// Each returns the process exit code: 0 done, 1 refused or failed, 2 bad usage.
// Each answers --help (or -h) in place of an option with its help on standard output.
int keygen(const std::vector<PathString>& args);
int public_key(const std::vector<PathString>& args);
int build(const std::vector<PathString>& args);
int verify(const std::vector<PathString>& args);

// Prints "velmora-publish: " + message on standard error; returns `code`.
int complain(int code, const std::string& message);

// Whether `arg` asks for help: --help or -h.
[[nodiscard]] bool is_help(const PathString& arg);
// Prints `text` on standard output; returns 0.
int show_help(const char* text);

// "1 file", "2 files": `count` and `noun`, with an "s" unless it is 1.
[[nodiscard]] std::string counted(std::size_t count, const std::string& noun);

}  // namespace vup::publish
