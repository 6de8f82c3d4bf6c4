#include "tools/common/command_line.h"

#include <filesystem>
#include <system_error>

namespace vup::tools {

PathString absolute_folder(const PathString& folder) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(folder), error);
  if (error) return {};
  PathString text = full.lexically_normal().native();
  while (text.size() > 1 && (text.back() == PathChar('/') || text.back() == path_separator)) text.pop_back();
  return text;
}

}  // namespace vup::tools
