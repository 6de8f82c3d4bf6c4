// A file that cannot be written while this object lives: read-only on POSIX,
// held open without sharing on Windows (Wine lets an administrator write a
// read-only file, but never past a sharing violation).
#pragma once

#include <filesystem>

namespace vup::test {

class BlockedFile {
 public:
  explicit BlockedFile(const std::filesystem::path& file);
  ~BlockedFile();
  BlockedFile(const BlockedFile&) = delete;
  BlockedFile& operator=(const BlockedFile&) = delete;

  // The platform's error code of a write that meets the file.
  static int write_error();

 private:
  std::filesystem::path file_;
  void* handle_ = nullptr;
};

}  // namespace vup::test
