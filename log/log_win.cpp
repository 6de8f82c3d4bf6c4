// The log on Windows: %LOCALAPPDATA%\VelmoraUpdater, opened without sharing.
#include <windows.h>

#include <share.h>

#include <vector>

#include "log/log.h"
#include "log/log_platform.h"

namespace vup {

PathString log_folder() {
  std::vector<wchar_t> buffer(32768);
  const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return {};
  return PathString(buffer.data(), length) + L"\\VelmoraUpdater";
}

namespace detail {

bool to_local_time(std::time_t when, std::tm& local) { return localtime_s(&local, &when) == 0; }

std::FILE* open_log_file(const PathString& folder, bool& in_use) {
  CreateDirectoryW(folder.c_str(), nullptr);  // it usually exists already
  const PathString path = folder + L"\\updater.log";
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (size > log_rotation_threshold) {
      // A failed move leaves the old log growing; that is all.
      MoveFileExW(path.c_str(), (path + L".1").c_str(), MOVEFILE_REPLACE_EXISTING);
    }
  }
  std::FILE* file = _wfsopen(path.c_str(), L"ab", _SH_DENYRW);
  in_use = file == nullptr && GetLastError() == ERROR_SHARING_VIOLATION;
  return file;
}

}  // namespace detail
}  // namespace vup
