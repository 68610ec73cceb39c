// Loads the program's parts that live in modules of their own (beside the
// program in the build tree, or in its lib/kestrune folder once installed)
// and runs them: the window (kestrune-desktop.so, Qt) and the diff command
// (kestrune-diff.so, libgit2). Plain C++: the program itself links neither,
// so a batch run starts as fast as a plain tool.
#pragma once

#include <string>

#include "app/command_line.h"

namespace strovel {

// Shows the main window until it is closed and returns the exit status;
// 2, with a message on stderr, when the desktop part does not load.
int runLoadedDesktop(int argc, char** argv, const CommandLine& options,
                     const std::string& openedPattern);

// Runs "kestrune --diff ..." (the joined command line) and returns its exit
// status; 2, with a message on stderr, when the diff part does not load.
int runLoadedDiff(const std::string& line);

}  // namespace strovel
