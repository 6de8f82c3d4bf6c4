// Windows: the UTF-16 command line, split the way the C runtime splits it.
#include <windows.h>
#include <shellapi.h>

#include "tools/common/command_line.h"

namespace vup::tools {

std::vector<PathString> command_line_arguments(int, char**) {
  std::vector<PathString> args;
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (list == nullptr) return args;
  for (int i = 1; i < count; ++i) args.emplace_back(list[i]);
  LocalFree(list);
  return args;
}

}  // namespace vup::tools
