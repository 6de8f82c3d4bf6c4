#include <cerrno>

#include "tests/options/blocked_file.h"

namespace vup::test {

namespace fs = std::filesystem;

BlockedFile::BlockedFile(const fs::path& file) : file_(file) {
  fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

BlockedFile::~BlockedFile() {
  std::error_code ignored;
  fs::permissions(file_, fs::perms::owner_write, fs::perm_options::add, ignored);
}

int BlockedFile::write_error() { return EACCES; }

}  // namespace vup::test
