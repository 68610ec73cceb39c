// The real system calls behind SystemCalls (see system_calls.h): the
// default that diskFileSystem() uses, and the base a test's failing calls
// pass through to for everything they leave alone.
#include "platform/system_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace strovel {

int SystemCalls::open(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}

int SystemCalls::fsync(int fd) { return ::fsync(fd); }

int SystemCalls::close(int fd) { return ::close(fd); }

int SystemCalls::rename(const char* from, const char* to) { return ::rename(from, to); }

}  // namespace strovel
