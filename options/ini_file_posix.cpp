// INI access for the build without the Windows functions: the whole file is read,
// edited as text (ini_text.h) and written back through a temporary neighbour, so a
// failure leaves the old file whole.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "fs/file_primitives.h"
#include "options/ini_file.h"
#include "options/ini_text.h"

namespace vup {
namespace {

// Options files are a few hundred bytes; anything this large is not one.
constexpr std::uint32_t ini_cap = 4194304;

bool is_utf16(const std::string& text) {
  return text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'));
}

int error_or(int fallback) {
  const int code = last_error_code();
  return code != 0 ? code : fallback;
}

}  // namespace

int read_ini_int(const PathString& file, std::string_view section, std::string_view key, int default_value) {
  std::string text;
  if (read_whole_file(file, ini_cap, text) != read_ok) return default_value;
  const std::optional<std::string> value = ini_value(text, section, key);
  if (!value || value->empty()) return default_value;
  return ini_integer(*value);
}

bool write_ini_string(const PathString& file, std::string_view section, std::string_view key,
                      std::string_view value, int& error) {
  std::string text;
  errno = 0;
  switch (read_whole_file(file, ini_cap, text)) {
    case read_ok:
    case read_not_found:
      break;
    case read_too_large:
      error = EFBIG;
      return false;
    case read_error:
      error = error_or(EIO);
      return false;
  }
  // A UTF-16 file would be damaged by ASCII lines written into it.
  if (is_utf16(text)) {
    error = EILSEQ;
    return false;
  }

  mode_t mode = 0666;
  struct stat info {};
  if (::stat(file.c_str(), &info) == 0) {
    // A file without write permission is read-only for us too, as a read-only
    // file is on Windows, even where the replacing rename below would be allowed.
    if ((info.st_mode & 0222) == 0 || ::access(file.c_str(), W_OK) != 0) {
      error = EACCES;
      return false;
    }
    mode = info.st_mode & 07777;
  }

  const std::string updated = ini_with_value(text, section, key, value);
  const PathString temporary = file + ".tmp";
  OutputFile out;
  bool written = out.create(temporary) && out.write_all(updated.data(), static_cast<std::uint32_t>(updated.size())) &&
                 out.flush_and_close();
  if (written && ::chmod(temporary.c_str(), mode) != 0) written = false;
  int code = written ? replace_file(temporary, file) : error_or(EIO);
  if (written && code == 0) {
    error = 0;
    return true;
  }
  out.close();
  remove_file(temporary);
  error = code != 0 ? code : EIO;
  return false;
}

void flush_ini_file(const PathString&) {}

}  // namespace vup
