#include "tests/support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vup::test {

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = base / ("vup-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(path_)) {
      path_ = std::filesystem::canonical(path_);
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempFolder::operator/(std::string_view relative) const {
  return (path_ / std::filesystem::path(std::string(relative))).make_preferred();
}

void TempFolder::write(std::string_view relative, std::string_view content) const {
  const std::filesystem::path file = *this / relative;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write a test file");
}

std::string TempFolder::read(std::string_view relative) const {
  std::ifstream in(*this / relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace vup::test
