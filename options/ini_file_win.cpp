// The platform's INI functions.
#include <windows.h>

#include "fs/file_primitives.h"
#include "options/ini_file.h"

namespace vup {

int read_ini_int(const PathString& file, std::string_view section, std::string_view key, int default_value) {
  // The function's result is unsigned; a negative value in the file (or the
  // default) comes back as the same bits.
  return static_cast<int>(
      GetPrivateProfileIntW(widen_bytes(section).c_str(), widen_bytes(key).c_str(), default_value, file.c_str()));
}

bool write_ini_string(const PathString& file, std::string_view section, std::string_view key,
                      std::string_view value, int& error) {
  if (WritePrivateProfileStringW(widen_bytes(section).c_str(), widen_bytes(key).c_str(), widen_bytes(value).c_str(),
                                 file.c_str())) {
    error = 0;
    return true;
  }
  error = static_cast<int>(GetLastError());
  return false;
}

void flush_ini_file(const PathString& file) {
  // No section, key or value: the documented way to flush the cached file. Its
  // result says nothing useful (Wine always answers false).
  (void)WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
}

}  // namespace vup
