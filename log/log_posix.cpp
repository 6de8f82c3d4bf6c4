// The log on POSIX: $XDG_STATE_HOME/VelmoraUpdater, else
// ~/.local/state/VelmoraUpdater. POSIX has no sharing modes to deny.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "log/log.h"
#include "fs/unique_file.h"
#include "log/log_platform.h"

namespace vup {

PathString log_folder() {
  // Relative values are invalid by the XDG rules and are ignored.
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return PathString(state) + "/VelmoraUpdater";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return PathString(home) + "/.local/state/VelmoraUpdater";
  return {};
}

namespace detail {

bool to_local_time(std::time_t when, std::tm& local) { return localtime_r(&when, &local) != nullptr; }

std::FILE* open_log_file(const PathString& folder, bool& in_use) {
  in_use = false;  // nothing can deny this opening
  // Unlike %LOCALAPPDATA%, ~/.local/state is often missing on a fresh account,
  // so every missing level is made (private, as the XDG rules ask).
  for (auto slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const PathString level = folder.substr(0, slash);
    struct stat existing {};
    if (::mkdir(level.c_str(), 0700) != 0 && (::stat(level.c_str(), &existing) != 0 || !S_ISDIR(existing.st_mode))) {
      return nullptr;
    }
    if (slash == PathString::npos) break;
  }
  const PathString path = folder + "/updater.log";
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && static_cast<unsigned long long>(info.st_size) > log_rotation_threshold) {
    (void)::rename(path.c_str(), (path + ".1").c_str());
  }
  UniqueFile fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
  if (!fd.valid()) return nullptr;
  std::FILE* file = ::fdopen(fd.get(), "ab");
  if (file != nullptr) (void)fd.release();  // the stream owns it now
  return file;
}

}  // namespace detail
}  // namespace vup
