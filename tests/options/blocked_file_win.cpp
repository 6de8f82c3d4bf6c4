#include <windows.h>

#include "tests/options/blocked_file.h"

namespace vup::test {

BlockedFile::BlockedFile(const std::filesystem::path& file) : file_(file) {
  handle_ = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

BlockedFile::~BlockedFile() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

int BlockedFile::write_error() { return ERROR_SHARING_VIOLATION; }

}  // namespace vup::test
