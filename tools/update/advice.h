// What the headless updater says after a failed run: the outcome in one line, and
// for the failures a server host can fix, a line on what to do.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "update/outcome.h"

namespace vup::tools {

// The short text and the message, "Short text: message", or the message alone
// (first letter raised) when it begins with the short text already.
[[nodiscard]] std::string outcome_line(const Outcome& outcome);

// The lines on what to do about `outcome`; none where the message says enough.
// `update_address` is the server's base address, named when no connection to it
// was made.
[[nodiscard]] std::vector<std::string> advice_lines(const Outcome& outcome, std::string_view update_address);

}  // namespace vup::tools
