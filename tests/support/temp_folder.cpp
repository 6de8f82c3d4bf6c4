#include "tests/support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vup::test {

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  const auto base = std::filesystem::temp_directory_path();
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    path_ = base / ("vup-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::error_code error;
    if (std::filesystem::create_directory(path_, error)) return;
  }
}

TempFolder::~TempFolder() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

std::filesystem::path TempFolder::operator/(std::string_view relative) const {
  return (path_ / std::filesystem::path(std::string(relative))).make_preferred();
}

void TempFolder::write(std::string_view relative, std::string_view content) const {
  const std::filesystem::path file = *this / relative;
  std::filesystem::create_directories(file.parent_path());
  write_bytes(file, content);
}

std::string TempFolder::read(std::string_view relative) const { return read_bytes(*this / relative); }

void write_bytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vup::test
