// Batch mode: load the pattern named on the command line, make one
// processing run with run number 1, and end. Needs no display.
//
//   CommandLine line = parseCommandLine("+stat in_file=log.txt templet=errors.shbl");
//   StderrNotices notices(std::cerr, line.silentMode);
//   int status = runBatch(line, diskFileSystem(), notices, openWithDesktop);
#pragma once

#include <functional>
#include <string>

#include "app/command_line.h"
#include "app/stderr_notices.h"
#include "platform/file_system.h"

namespace strovel {

using Opener = std::function<void(const std::string& path)>;

// Returns the exit status: 0 when nothing was reported, 1 when a file
// failed or a rule had an unknown action, 2 when "templet=" is missing.
int runBatch(const CommandLine& line, FileSystem& files, StderrNotices& notices,
             const Opener& open);

}  // namespace strovel
