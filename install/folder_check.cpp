#include "install/folder_check.h"

#include "fs/game_path.h"
#include "fs/utf8_path.h"
#include "install/folder_names.h"
#include "update/game_files.h"

namespace vup {

FolderKind classify(const FolderListing& listing, bool drive_root, std::string_view own_name, bool marker_matches) {
  if (!listing.ok || listing.names.empty()) return FolderKind::other;
  bool only_updater = true;
  bool marker_seen = false;
  bool foreign = false;
  for (const std::string& name : listing.names) {
    if (same_name(name, game_executable)) return FolderKind::game;
    if (same_name(name, install_marker_name)) marker_seen = true;
    // The launcher's backups come and go with its own updates.
    if (same_name(name, own_name) || same_name(name, state_file_name) || is_launcher_backup_name(name)) continue;
    only_updater = false;
    if (!foreign) foreign = !is_allowed_entry(name);
  }
  if (marker_seen && !drive_root && !foreign) {
    return marker_matches ? FolderKind::install_started : FolderKind::install_moved;
  }
  return only_updater && !drive_root ? FolderKind::updater_alone : FolderKind::other;
}

FolderCheck check_folder(FolderProbe& probe, const PathString& game_folder, std::string_view own_name) {
  FolderCheck check;
  if (is_network_folder(PathView(game_folder))) {
    check.cannot_hold = true;
    check.message =
        "The game can only be installed on this PC's own drives, not a network folder. Put VelmoraUpdater.exe in "
        "a folder on this PC, then start it again.";
    return check;
  }
  const bool drive_root = is_drive_root(PathView(game_folder));
  check.kind = classify(probe.list(game_folder), drive_root, own_name, probe.marker_matches(game_folder));
  if (check.kind != FolderKind::other) {
    check.target = game_folder;
    return check;
  }

  check.target = child_path(game_folder, install_subfolder_name);
  bool usable = false;
  switch (probe.kind(check.target)) {
    case PathKind::missing:
      usable = true;  // made when the install starts
      break;
    case PathKind::directory: {
      const FolderListing listing = probe.list(check.target);
      const FolderKind sub_kind = classify(listing, false, own_name, probe.marker_matches(check.target));
      check.unfinished_subfolder = sub_kind == FolderKind::install_started || sub_kind == FolderKind::install_moved;
      usable = sub_kind != FolderKind::other || (listing.ok && listing.names.empty());
      break;
    }
    case PathKind::other:
      break;
  }
  if (!usable) {
    check.cannot_hold = true;
    check.message = "This folder has other files in it, and " + path_to_utf8(check.target) +
                    " already exists with other files. Put VelmoraUpdater.exe in an empty folder, then try again.";
  }
  return check;
}

}  // namespace vup
