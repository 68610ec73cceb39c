// The few system calls on which the disk's output files stand or fall
// (opening, flushing, closing and renaming), behind a class whose methods
// are the real calls. A test derives from it to make one of them fail the
// way a disk does, which it cannot provoke from outside (a delayed write
// error that only close reports, a file system without unnamed files), and
// hands it to a disk file system of its own:
//
//   struct CloseFails : SystemCalls {
//     int close(int fd) override { SystemCalls::close(fd); errno = EIO; return -1; }
//   } calls;
//   std::unique_ptr<FileSystem> disk = diskFileSystemWith(calls);
//
// The process's diskFileSystem() makes the real calls; one indirect call
// beside a system call costs nothing measurable. The reading side calls the
// system directly: its failures are plain to see and to provoke.
#pragma once

#include <sys/types.h>

#include <memory>

#include "platform/file_system.h"

namespace strovel {

class SystemCalls {
 public:
  virtual ~SystemCalls() = default;
  // Each takes the arguments of the POSIX call of its name and returns its
  // result, with errno set as the call sets it. An override of close() must
  // release fd even when it reports a failure, as Linux's close does.
  virtual int open(const char* path, int flags, mode_t mode);
  virtual int fsync(int fd);
  virtual int close(int fd);
  virtual int rename(const char* from, const char* to);
};

// A disk file system whose output files make the calls above through
// `calls`, which must outlive it and everything it opens.
std::unique_ptr<FileSystem> diskFileSystemWith(SystemCalls& calls);

}  // namespace strovel
