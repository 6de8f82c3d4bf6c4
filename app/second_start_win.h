// Windows: what a start does when another updater already holds the session.
#pragma once

#include <chrono>

namespace vup {

// Long enough for a first start on a slow PC (a virus scanner reading the new
// program, the drawing stack's first start) to show its window.
inline constexpr auto window_wait = std::chrono::seconds(15);

// Makes this process the session's one updater, or hands the player to the one
// that is. True when this process holds the instance now: at once, or after
// waiting, when the other ended meanwhile (a player starting again while the first
// closes). False when this process should end (exit code 0): the other updater's
// window was raised once it was visible (never a window that is still being set
// up or already being destroyed); or `patience` passed without a window, and a
// message box told the player that VelmoraUpdater is running but not responding.
[[nodiscard]] bool become_instance(std::chrono::milliseconds patience = window_wait);

}  // namespace vup
