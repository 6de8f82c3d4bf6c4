// One key of an INI file at a time, as the platform's INI functions do it:
// GetPrivateProfileIntW and WritePrivateProfileStringW on Windows, our own reader
// and writer (ini_text.h) on POSIX. Section and key names are ASCII and compared
// without regard to ASCII case; everything else in the file is kept.
#pragma once

#include <string_view>

#include "fs/platform_path.h"

namespace vup {

// The integer value of section/key, or `default_value` when the file, the section
// or the key is missing or the value is empty. The value is read the way
// GetPrivateProfileIntW reads it: leading blanks, a sign, digits up to the first
// non-digit ("102abc" is 102, "abc" is 0).
[[nodiscard]] int read_ini_int(const PathString& file, std::string_view section, std::string_view key,
                               int default_value);

// Sets section/key to `value`, creating the file, the section or the key when
// missing. False with the platform's error code in `error` when the file could not
// be written (a read-only file, a missing folder); the file is then unchanged.
[[nodiscard]] bool write_ini_string(const PathString& file, std::string_view section, std::string_view key,
                                    std::string_view value, int& error);

// Asks the platform to write its cached copy of the file to the disk. POSIX keeps
// no cache: every write above is already on the disk.
void flush_ini_file(const PathString& file);

}  // namespace vup
