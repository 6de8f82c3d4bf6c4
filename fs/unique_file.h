// The owner of one open file of the platform: a descriptor on POSIX, a HANDLE on
// Windows. Whoever opens a file keeps it in one of these, so that every early
// return closes it.
#pragma once

#include <cstdint>

namespace vup {

#ifdef _WIN32
using NativeFile = void*;  // HANDLE
inline NativeFile invalid_native_file() { return reinterpret_cast<void*>(static_cast<std::intptr_t>(-1)); }
#else
using NativeFile = int;  // file descriptor
inline NativeFile invalid_native_file() { return -1; }
#endif

// Closes `file`; false when the platform reported an error (on POSIX a close can
// report a delayed write error).
bool close_native_file(NativeFile file);

class UniqueFile {
 public:
  UniqueFile() = default;
  explicit UniqueFile(NativeFile file) : file_(file) {}
  ~UniqueFile() { (void)close(); }
  UniqueFile(UniqueFile&& other) noexcept : file_(other.release()) {}
  UniqueFile& operator=(UniqueFile&& other) noexcept {
    if (this != &other) {
      (void)close();
      file_ = other.release();
    }
    return *this;
  }
  UniqueFile(const UniqueFile&) = delete;
  UniqueFile& operator=(const UniqueFile&) = delete;

  [[nodiscard]] NativeFile get() const { return file_; }
  [[nodiscard]] bool valid() const { return file_ != invalid_native_file(); }
  // Gives the file up without closing it.
  [[nodiscard]] NativeFile release() {
    const NativeFile file = file_;
    file_ = invalid_native_file();
    return file;
  }
  // Closes the file now; true when nothing was open or the close succeeded.
  bool close() {
    if (!valid()) return true;
    return close_native_file(release());
  }

 private:
  NativeFile file_ = invalid_native_file();
};

}  // namespace vup
