// POSIX: a new file with mode 0600.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "fs/unique_file.h"
#include "tools/publish/secret_key.h"

namespace vup::publish {

int write_new_private_file(const PathString& path, const std::string& text) {
  UniqueFile file(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!file.valid()) return errno;
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(file.get(), text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      file.close();
      unlink(path.c_str());
      return error;
    }
    written += static_cast<std::size_t>(n);
  }
  if (fsync(file.get()) != 0 || !file.close()) {
    const int error = errno;
    unlink(path.c_str());
    return error;
  }
  return 0;
}

}  // namespace vup::publish
