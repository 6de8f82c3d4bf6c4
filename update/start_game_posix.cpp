// POSIX: the game is started directly in its folder; there is no elevation.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "update/start_game.h"

namespace vup {

int start_process(const PathString& folder, const PathString& executable) {
  // The child reports a failed chdir or exec through a close-on-exec pipe: nothing
  // arrives when the exec succeeded.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return errno;
  const pid_t child = fork();
  if (child < 0) {
    const int error = errno;
    close(report[0]);
    close(report[1]);
    return error;
  }
  if (child == 0) {
    close(report[0]);
    // A second fork detaches the game, so that it outlives us without a zombie.
    const pid_t game = fork();
    if (game != 0) _exit(game < 0 ? 1 : 0);
    setsid();
    int error = 0;
    if (chdir(folder.c_str()) == 0) {
      char* const argv[] = {const_cast<char*>(executable.c_str()), nullptr};
      execv(executable.c_str(), argv);
    }
    error = errno;
    (void)!write(report[1], &error, sizeof error);
    _exit(127);
  }
  close(report[1]);
  int status = 0;
  waitpid(child, &status, 0);
  int error = 0;
  ssize_t got;
  do {
    got = read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  if (got == static_cast<ssize_t>(sizeof error)) return error == 0 ? ENOEXEC : error;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return ECHILD;
  return 0;
}

}  // namespace vup
