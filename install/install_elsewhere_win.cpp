// Windows: the copy with CopyFileW and the start through the shell.
#include <windows.h>
#include <shellapi.h>

#include "fs/utf8_path.h"
#include "install/install_elsewhere.h"

namespace vup {
namespace {

// Paths longer than the classic limit work only in this form; the start through
// the shell keeps the plain form, which the started program sees as its path.
PathString long_form(const PathString& path) {
  if (path.compare(0, 2, L"\\\\") == 0) return path;
  return L"\\\\?\\" + path;
}

InstallElsewhereResult failure(int error, std::string detail) {
  InstallElsewhereResult result;
  result.error = error;
  result.status = install_elsewhere_failed;
  result.detail = std::move(detail);
  return result;
}

}  // namespace

InstallElsewhereResult copy_program(const PathString& program, const PathString& target) {
  // An existing folder is fine; any other failure shows in the copy below.
  CreateDirectoryW(long_form(target).c_str(), nullptr);
  const PathString destination = program_copy_path(target, program);
  if (program.empty() || !CopyFileW(long_form(program).c_str(), long_form(destination).c_str(), FALSE)) {
    const int error = program.empty() ? ERROR_FILE_NOT_FOUND : static_cast<int>(GetLastError());
    return failure(error, copy_failure_detail(path_to_utf8(target), error));
  }
  InstallElsewhereResult result;
  result.ok = true;
  result.program = destination;
  return result;
}

bool start_program(const PathString& program, const PathString& folder, const PathString& arguments, int& error) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = 0;
  info.hwnd = nullptr;
  info.lpVerb = L"open";
  info.lpFile = program.c_str();
  info.lpParameters = arguments.c_str();
  info.lpDirectory = folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&info)) return true;
  error = static_cast<int>(GetLastError());
  if (error == 0) error = ERROR_GEN_FAILURE;  // a failure must never read as error 0
  return false;
}

}  // namespace vup
