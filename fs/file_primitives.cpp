#include "fs/file_primitives.h"

#include "fs/retry_while_held.h"

namespace vup {

bool write_file_atomically(const PathString& destination, const void* bytes, std::uint32_t count,
                           const std::atomic<bool>* stop) {
  const PathString temporary = destination + VUP_PATH(".tmp");
  OutputFile file;
  if (file.create(temporary) && file.write_all(bytes, count) && file.flush_and_close() &&
      replace_file_when_free(temporary, destination, stop).error == 0) {
    return true;
  }
  // Whatever step failed, the old destination is still whole; only the
  // temporary neighbour has to go.
  file.close();
  remove_file(temporary);
  return false;
}

}  // namespace vup
