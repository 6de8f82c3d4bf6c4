// Where an update run gets its game folder, server and key from.
#pragma once

#include <string>

#include "fs/platform_path.h"

namespace vup {

struct UpdateSettings {
  PathString game_folder;  // empty: the folder of the running program
  std::string update_url;  // base address of the update server, https and ending in "/"
  std::string public_key;  // the release's Ed25519 public key, 44 characters of Base64
  // The running program's own file. When it is the launcher that the manifest
  // lists, its new version is swapped in (it cannot be replaced while it runs).
  // Empty: no program of the game folder is running.
  PathString running_program;
  // Read every game file, as if no state had been saved: the records of size and
  // time are not trusted to stand for the content. For a disk that is suspected,
  // or a copy made by a tool that keeps the times. The window never sets it.
  bool full_check = false;
};

// The settings built into this program: its own folder and file, and the server
// and key chosen when it was configured.
[[nodiscard]] UpdateSettings builtin_update_settings();

}  // namespace vup
