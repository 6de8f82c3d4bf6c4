// Game paths: relative paths inside the game folder, as the signed manifest and
// the saved state name them. Pure functions; safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace vup {

// Longest safe game path, and longest segment (the text between two "/").
inline constexpr std::size_t max_game_path_length = 200;
inline constexpr std::size_t max_game_path_segment = 100;

// True when `path` names something strictly below the game folder that every
// Windows file system can hold: 1 to 200 bytes of printable ASCII without
// " * : < > ? \ | ~, "/" only between segments of 1 to 100 bytes, no "." or ".."
// segment, no segment that begins with a space or ends with a space or a dot,
// and no reserved device name. No reason is given for a refusal.
[[nodiscard]] bool is_safe_game_path(std::string_view path);

// The path with "A"-"Z" lowered and every other byte kept. Two safe game paths
// name the same file exactly when their folded forms are equal.
[[nodiscard]] std::string fold_game_path(std::string_view path);

// True when `path` (a game path, compared in folded form) is one of the names the
// updater keeps for its own files: the state file, the install marker, their
// ".tmp" neighbours and the launcher's backups at the top of the game folder (as a
// file or as the first folder of a longer path), or a name with any part ending in
// ".vup-part", where downloads wait. A game file there would be overwritten or
// deleted by the updater. The launcher's own name is not one of them.
[[nodiscard]] bool is_updater_owned_path(std::string_view path);

// The name of the launcher's backup number `index` (0 to launcher_backup_count - 1):
// "VelmoraUpdater.exe.old" for 0, else "VelmoraUpdater.exe.<index>.old".
[[nodiscard]] std::string launcher_backup_name(int index);

// True when `name` (one name, no "/") is one of the launcher's backups in any
// ASCII letter case.
[[nodiscard]] bool is_launcher_backup_name(std::string_view name);

// True when Windows would open `segment` as a device: con, prn, aux, nul, conin$,
// conout$, com1-com9, lpt1-lpt9 in any letter case, alone or before a "."
// (trailing spaces before the "." do not help: "aux .log" is reserved).
[[nodiscard]] bool is_reserved_device_name(std::string_view segment);

}  // namespace vup
