// Runs a check in a child process that has given up root's rights, for behaviour
// that root never sees (folders it may not read). POSIX only.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

namespace vup::test {

// Forks, drops to the user "nobody" when running as root, runs `check` and returns
// its exit code (0 when `check` returned true); -1 when the child did not exit.
template <typename Check>
int run_unprivileged(Check check) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(check() ? 0 : 1);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace vup::test
