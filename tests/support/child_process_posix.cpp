// Helper processes on POSIX: posix_spawn.
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

#include "fs/file_primitives.h"
#include "tests/support/child_process.h"

extern char** environ;

namespace vup::test {

int run_helper(const std::string& program, const std::vector<std::string>& args) {
  const std::string path = vup::program_folder() + "/" + program;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

void set_environment(const std::string& name, const std::string& value) { setenv(name.c_str(), value.c_str(), 1); }

void unset_environment(const std::string& name) { unsetenv(name.c_str()); }

}  // namespace vup::test
