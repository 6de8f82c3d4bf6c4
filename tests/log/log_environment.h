// Points the log of helper processes started after this call at `folder`
// (LOCALAPPDATA on Windows, XDG_STATE_HOME on POSIX).
#pragma once

#include <filesystem>

namespace vup::test {

void point_log_at(const std::filesystem::path& folder);

}  // namespace vup::test
