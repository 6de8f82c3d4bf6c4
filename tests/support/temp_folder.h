// A fresh folder for one test, removed with everything in it at the end.
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

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  // The folder as platform text, absolute and without a trailing separator.
  [[nodiscard]] PathString native() const { return path_.native(); }
  // A path below the folder; `relative` uses "/" separators.
  [[nodiscard]] std::filesystem::path operator/(std::string_view relative) const;

  // Writes `content` to `relative`, creating the folders on the way.
  void write(std::string_view relative, std::string_view content) const;
  [[nodiscard]] std::string read(std::string_view relative) const;

 private:
  std::filesystem::path path_;
};

}  // namespace vup::test
