// The disk's output files, private to platform/: the file that replaces a
// regular file atomically, the file written in place (a device, a FIFO) and
// the spool kept in an unnamed temporary file. The disk file system
// (file_system.cpp) resolves the path and decides which one a target needs;
// these open it and see it through. Every open, flush, close and rename they
// make goes through the SystemCalls they are given (system_calls.h).
#pragma once

#include <sys/stat.h>

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/system_calls.h"

namespace strovel {

// The folder part of `path`: "." for a bare name, "/" for a file in the root.
std::string folderOf(const std::string& path);

// A file that takes the place of `target` (a path with no link left to
// follow) on commit(); nullptr when no temporary file can be made in its
// folder. `mode` is the new file's permissions; `old` the status of the file
// it replaces (whose owner it keeps), or nullptr when there is none yet.
std::unique_ptr<OutputFile> openReplacing(const std::string& target, mode_t mode,
                                          const struct stat* old, SystemCalls& calls);

// Writes straight into `path`, which cannot be renamed over (a device, a
// FIFO); nullptr when it does not open for writing.
std::unique_ptr<OutputFile> openInPlace(const std::string& path, SystemCalls& calls);

// A spool in an unnamed temporary file in `folder`; nullptr when the folder
// takes no file.
std::unique_ptr<Spool> openDiskSpool(const std::string& folder, SystemCalls& calls);

}  // namespace strovel
