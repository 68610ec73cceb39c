// Batch mode: load the pattern named on the command line, make one
// processing run with run number 1, and end. Needs no display.
//
//   CommandLine line = parseCommandLine("+stat in_file=log.txt templet=errors.shbl");
//   StderrNotices notices(std::cerr, line.silentMode);
//   catchStopSignals();
//   int status = runBatch(line, diskFileSystem(), notices, openWithDesktop, &std::cerr);
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "app/command_line.h"
#include "app/stderr_notices.h"
#include "platform/file_system.h"

namespace strovel {

using Opener = std::function<void(const std::string& path)>;

// Returns the exit status: 0 when nothing was reported, 1 when a file
// failed or a rule had an unknown action, 2 when "templet=" is missing,
// 128 and the signal's number when SIGINT or SIGTERM stopped the run (once
// caught with catchStopSignals). With `progressLine` (a terminal), a run of
// more than a second shows its progress there.
int runBatch(const CommandLine& line, FileSystem& files, StderrNotices& notices, const Opener& open,
             std::ostream* progressLine = nullptr);

}  // namespace strovel
