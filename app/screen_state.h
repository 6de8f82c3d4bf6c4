// The main screen's state and how worker messages, closing and the main button
// move it between phases. Window thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "update/outcome.h"
#include "update/progress.h"
#include "update/update_view.h"

namespace vup {

enum class Phase : int {
  confirm_install = 0,  // waiting for the player to confirm installation
  updating = 1,
  ready = 2,            // Play enabled
  starting = 3,         // pre-launch check and start of the game
  failed = 4,           // Retry enabled
  closing = 5,          // waiting for the worker to stop; final
  started = 6,          // the game started, the window is about to close
};

// Where the phase-0 prompt installs: this folder, or a new subfolder.
enum class InstallMode : int { here = 0, elsewhere = 1 };

inline constexpr char status_checking_updates[] = "Checking for updates...";
inline constexpr char status_ready[] = "Ready.";
inline constexpr char detail_up_to_date[] = "The game files are up to date";

struct ScreenState {
  Phase phase = Phase::updating;
  std::string status = status_checking_updates;
  std::string detail;
  bool error = false;       // the detail line shows a failure
  double progress = 0;      // 0..1
  std::int64_t files_date = 0;  // seq of the verified manifest (Unix seconds); 0 until a run succeeded
  bool options_open = false;
  InstallMode install_mode = InstallMode::here;
};

// What pressing the main button asks for.
enum class ButtonAction { nothing, install_elsewhere, install_here, update, start_game };

// Notices are ignored while closing.
void apply_notice(ScreenState& screen, NoticeCode code, std::string_view text);
// True when the run succeeded and the screen is ready (the caller then runs the
// install flow's success step). Ignored while closing.
bool apply_update_result(ScreenState& screen, const Outcome& outcome, std::int64_t files_date);
// Code 0 enters `started`; code 50 returns to `ready` with the permission detail.
void apply_start_result(ScreenState& screen, const Outcome& outcome);
void apply_progress(ScreenState& screen, const DownloadProgress& progress);
// Moves the screen for a press of the main button and says what to do. In phase 0
// the screen keeps its state when the install goes elsewhere.
ButtonAction press_main_button(ScreenState& screen);
// Phase 1, "Checking for updates...", no detail (a run is about to start).
void enter_checking_updates(ScreenState& screen);
// Enters the closing phase (the options screen closes).
void begin_closing(ScreenState& screen);
// A failure shown on screen: phase 4, the code's short text, the message as detail.
void show_failure(ScreenState& screen, std::string_view status, std::string_view message);

[[nodiscard]] bool button_enabled(Phase phase);
[[nodiscard]] const char* button_caption(Phase phase);

// A failure message as the detail line: "out of memory" for an empty message, and
// the first character raised when it is an ASCII lower-case letter.
[[nodiscard]] std::string failure_detail(std::string_view message);

}  // namespace vup
