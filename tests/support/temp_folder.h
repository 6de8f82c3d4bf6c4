// A fresh folder under the system's temporary folder, removed with everything in
// it when the test ends; and small helpers to make fixture files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vup::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Writes `bytes` as the whole file, creating it.
void write_bytes(const std::filesystem::path& file, std::string_view bytes);
// The whole file; empty when it cannot be read.
std::string read_bytes(const std::filesystem::path& file);

}  // namespace vup::test
