// Detached xdg-open: a double fork, so the opener is adopted by init and the
// caller neither waits for it nor leaves a zombie behind.
#include "platform/desktop.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace strovel {

void openWithDesktop(const std::string& target) {
  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) {
    ::setsid();
    if (::fork() != 0) ::_exit(0);
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(null, 2);
    }
    const char* argv[] = {"xdg-open", target.c_str(), nullptr};
    ::execvp("xdg-open", const_cast<char* const*>(argv));
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace strovel
