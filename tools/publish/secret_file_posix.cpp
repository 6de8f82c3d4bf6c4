// POSIX: a new file with mode 0600.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "tools/publish/secret_key.h"

namespace vup::publish {

int write_new_private_file(const PathString& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return errno;
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      close(fd);
      unlink(path.c_str());
      return error;
    }
    written += static_cast<std::size_t>(n);
  }
  if (fsync(fd) != 0 || close(fd) != 0) {
    const int error = errno;
    unlink(path.c_str());
    return error;
  }
  return 0;
}

}  // namespace vup::publish
