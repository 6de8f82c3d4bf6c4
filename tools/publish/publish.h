// velmora-publish: the publisher's side of the update server. A release is a
// folder served as it is by any static HTTPS host: "files/<sha256>" for every file
// and "manifest.json", the signed list, written last.
#pragma once

#include <string>
#include <vector>

#include "fs/platform_path.h"

namespace vup::publish {

// Each returns the process exit code: 0 done, 1 refused or failed, 2 bad usage.
int keygen(const std::vector<PathString>& args);
int build(const std::vector<PathString>& args);
int verify(const std::vector<PathString>& args);

// Prints "velmora-publish: " + message on standard error; returns `code`.
int complain(int code, const std::string& message);

}  // namespace vup::publish
