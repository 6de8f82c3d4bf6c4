// The program's fixed names and limits, below every other layer: the formats, the
// engine, the installer and the publisher take them from here, so the publisher
// refuses what the updater would refuse and needs no library for a number.
// Header only; it includes nothing of the program.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vup {

// Names in the game folder.
inline constexpr char game_executable[] = "KSLv41.exe";
inline constexpr char updater_executable[] = "VelmoraUpdater.exe";
inline constexpr char install_marker_name[] = "VelmoraUpdater.installing";
inline constexpr char state_file_name[] = "VelmoraUpdater.state.json";
// The game's options file, written by the launcher's options screen.
inline constexpr char options_file_name[] = "quillfen.ini";
// Appended to a file's name while its new content is written.
inline constexpr char temporary_suffix[] = ".tmp";
inline constexpr char download_suffix[] = ".vup-part";
// Where the running launcher goes aside while a new one takes its name:
// "VelmoraUpdater.exe.old", or while a copy still runs from that one (it can be
// neither replaced nor deleted until that copy has ended) "VelmoraUpdater.exe.1.old"
// up to ".9.old". A later start deletes every one of them.
inline constexpr char launcher_backup_suffix[] = ".old";
inline constexpr int launcher_backup_count = 10;

// The lowest sequence number a manifest may carry, whatever the saved state says.
inline constexpr std::int64_t sequence_floor = 1794484334;

// The signed manifest: the envelope as fetched, and its decoded payload (bytes).
inline constexpr std::size_t max_envelope_size = 1048576;
inline constexpr std::size_t max_payload_size = 1048576;
inline constexpr std::size_t max_manifest_files = 5000;
inline constexpr std::uint64_t max_manifest_file_size = 4294967296ull;  // 4 GiB, inclusive
inline constexpr std::size_t max_created_length = 64;

// The state file: one record per manifest file, and as many again for files that
// left the game and could not be removed yet. 10000 records of the longest paths
// stay below the size limit.
inline constexpr std::size_t max_state_file_size = 4194304;
inline constexpr std::size_t max_state_records = 2 * max_manifest_files;
inline constexpr std::size_t max_kept_state_records = max_state_records - max_manifest_files;

// Entries (files and folders) a game folder may hold for the pre-launch check.
inline constexpr std::uint32_t max_listed_files = 200000;

// Kept free on the game folder's drive beyond the bytes to download.
inline constexpr std::uint64_t free_space_margin = 64ull * 1048576;

}  // namespace vup
