// What the last successful update run left for the pre-launch check and the
// start of the game.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fs/platform_path.h"
#include "manifest/manifest.h"
#include "manifest/update_state.h"

namespace vup {

struct UpdatedFolder {
  bool ready = false;  // set only at the very end of a successful run
  PathString folder;   // the game folder
  std::int64_t seq = 0;
  std::string created;
  std::vector<quillfen::updater::FileEntry> entries;  // manifest order
  std::vector<PathString> local_paths;                // one per entry
  quillfen::updater::UpdateState state;
  // The run put a new version of the running launcher in its place: the new one
  // should take over.
  bool launcher_replaced = false;

  void reset() { *this = UpdatedFolder{}; }
  // Ready, with a folder and as many local paths as entries.
  [[nodiscard]] bool usable() const {
    return ready && !folder.empty() && !entries.empty() && local_paths.size() == entries.size();
  }
};

}  // namespace vup
