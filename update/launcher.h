// The launcher as a game file: a manifest may list "VelmoraUpdater.exe" at the top
// of the game folder. When the running program is that file, its new version takes
// the name through a swap (the running file goes aside to a backup), and a later
// start deletes the backups.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "fs/platform_path.h"
#include "fs/retry_while_held.h"
#include "manifest/manifest.h"

namespace vup {

// The entry of `entries` that lists the launcher, when the running program is that
// file: `running_program` is `game_folder` + "VelmoraUpdater.exe", compared without
// regard to ASCII letter case as game paths are. A launcher renamed by the player
// ("Velmora.exe") is not, and neither is any other program.
[[nodiscard]] std::optional<std::size_t> running_launcher_entry(
    const std::vector<quillfen::updater::FileEntry>& entries, const PathString& game_folder,
    const PathString& running_program);

// The backup names in the folder `root` (in the form of the run's local paths), in
// the order a swap tries them.
[[nodiscard]] std::vector<PathString> launcher_backups(const PathString& root);

// The placement of a checked download of the running launcher (a PlaceFile of
// download_file): swap_running_file with the backups beside `destination`.
[[nodiscard]] RetriedMove swap_launcher_into_place(const PathString& temporary, const PathString& destination,
                                                   const PauseFunction& pause);

// What the player reads when another program holds the launcher.
inline constexpr char launcher_in_use_message[] =
    "VelmoraUpdater.exe is in use by another program, so the launcher could not be updated. Close any other "
    "VelmoraUpdater, then start it again.";

// How long a start waits for a held backup: the launcher that handed over to this
// one lets go of its file once it has ended, a moment after the hand-over.
inline constexpr int launcher_backup_wait_ms = 3000;

struct KeptBackup {
  std::string name;
  int error = 0;
};

// Deletes the launcher's backups in `game_folder`, waiting through `pause` up to
// `longest_wait_ms` while one is held (the launcher that swapped itself out may
// still be ending). Returns those left, with the error of the last try; they are
// deleted at a later start. Something that is not a file under such a name is
// left alone.
[[nodiscard]] std::vector<KeptBackup> remove_launcher_backups(const PathString& game_folder, const PauseFunction& pause,
                                                              int longest_wait_ms);

}  // namespace vup
