// Helper processes on Windows: CreateProcessW; the environment is the Win32 one.
#include <windows.h>

#include "fs/file_primitives.h"
#include "tests/support/child_process.h"

namespace vup::test {

int run_helper(const std::string& program, const std::vector<std::string>& args) {
  const std::wstring path = vup::program_folder() + L"\\" + vup::widen_bytes(program) + L".exe";
  std::wstring command = L"\"" + path + L"\"";
  for (const auto& arg : args) command += L" \"" + vup::widen_bytes(arg) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  const bool ok = GetExitCodeProcess(process.hProcess, &code) != 0;
  CloseHandle(process.hProcess);
  return ok ? static_cast<int>(code) : -1;
}

void set_environment(const std::string& name, const std::string& value) {
  SetEnvironmentVariableW(vup::widen_bytes(name).c_str(), vup::widen_bytes(value).c_str());
}

void unset_environment(const std::string& name) { SetEnvironmentVariableW(vup::widen_bytes(name).c_str(), nullptr); }

}  // namespace vup::test
