// The install marker "VelmoraUpdater.installing": written into a folder when an
// install starts there, removed once an update run has succeeded, so that a start
// in between (after a crash or a closed window) carries the install on. It names
// the folder it was written for, so a moved folder is noticed. It also carries the
// game options that the player chose before the game arrived, which the options
// file cannot hold yet; so a copy of the program that carries the install on (the
// install into the subfolder) knows them too.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "fs/platform_path.h"
#include "options/game_options.h"

namespace vup {

inline constexpr std::uint32_t install_marker_cap = 4096;

// "folder=" + the folder (UTF-8) + "\n" + one line saying what the file is; then,
// for held options, one "section/key=value" line for each entry the options file
// would get (options_entries).
[[nodiscard]] std::string install_marker_content(std::string_view folder_utf8,
                                                 const std::optional<GameOptions>& held = std::nullopt);

// Whether marker content names `folder_utf8`: it starts with "folder=" and the
// rest of that line, without one trailing carriage return, is the same name.
[[nodiscard]] bool marker_names_folder(std::string_view content, std::string_view folder_utf8);

// The options held in marker content: only when its lines after the first two give
// all four "launcher/" values (music, effects, intro, largescreen) as integers; the
// size then comes from "screen/width" and "screen/height" as in the options file.
// A marker without them, or with a damaged one, holds none.
[[nodiscard]] std::optional<GameOptions> marker_held_options(std::string_view content);

// folder + separator + "VelmoraUpdater.installing".
[[nodiscard]] PathString install_marker_path(const PathString& folder);

// Reads the folder's marker (at most 4096 bytes); a missing, unreadable or larger
// marker does not match.
[[nodiscard]] bool install_marker_matches(const PathString& folder);

// The options held in the folder's marker; none when it is missing or unreadable.
[[nodiscard]] std::optional<GameOptions> read_marker_held_options(const PathString& folder);

// Writes the marker for `folder` atomically, with the held options when given. A
// failure is logged as "install: could not write the install marker" through `log`
// (the log file when empty) and is otherwise no error: the install runs all the same.
bool write_install_marker(const PathString& folder, const std::optional<GameOptions>& held = std::nullopt,
                          const std::function<void(std::string_view)>& log = {});

// Deletes the marker; a missing one is no error.
void remove_install_marker(const PathString& folder);

}  // namespace vup
