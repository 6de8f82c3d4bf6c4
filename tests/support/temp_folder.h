// A fresh folder under the system's temporary folder, removed with everything in
// it when the test ends; and small helpers to make fixture files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "fs/platform_path.h"

namespace vup::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as platform text, absolute and without a trailing separator.
  PathString native() const { return path_.native(); }
  // A path below the folder; `relative` uses "/" separators.
  std::filesystem::path operator/(std::string_view relative) const;
  // Writes `content` to `relative`, creating the folders on the way.
  void write(std::string_view relative, std::string_view content) const;
  // The whole file `relative`; empty when it cannot be read.
  std::string read(std::string_view relative) const;

 private:
  std::filesystem::path path_;
};

// Writes `bytes` as the whole file, creating it.
void write_bytes(const std::filesystem::path& file, std::string_view bytes);
// The whole file; empty when it cannot be read.
std::string read_bytes(const std::filesystem::path& file);

}  // namespace vup::test
