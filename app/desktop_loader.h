// Loads the desktop part (the kestrune-desktop.so module beside the
// program, or in its lib/kestrune folder once installed) and runs the
// window from it. Plain C++: the program itself never links Qt.
#pragma once

#include <string>

#include "app/command_line.h"

namespace strovel {

// Shows the main window until it is closed and returns the exit status;
// 2, with a message on stderr, when the desktop part does not load.
int runLoadedDesktop(int argc, char** argv, const CommandLine& options,
                     const std::string& openedPattern);

}  // namespace strovel
