// The interactive start: the desktop window on a display. Batch mode never
// comes here, so it never needs one. Besides the plain start, a file
// manager opening a pattern file ("kestrune PATH.shbl", from the desktop
// entry's "Exec=kestrune %f") starts the window in that file's folder with
// that pattern loaded; no other command line reaches that start.
#pragma once

#include <string>

#include "app/command_line.h"

namespace strovel {

class MainWindow;

// True when Qt can show a window: a display (X11 or Wayland) or an
// explicitly chosen Qt platform such as offscreen.
bool displayAvailable();

// The pattern file a file manager asked to open: argv holds exactly one
// argument, an existing regular file (or a link to one) whose name ends in
// ".shbl", and that argument is not a batch command line. Empty otherwise.
std::string openedPatternFile(int argc, const char* const* argv);

// Prepares `window` as the interactive start does. With an opened pattern
// file (see above) its folder becomes the current directory, which is the
// pattern folder, and that pattern is the entry selected and loaded; the
// file name is not read as options. A folder that cannot be entered leaves
// the plain start in the current directory.
void startWindow(MainWindow& window, const CommandLine& options, const std::string& openedPattern);

// Shows the main window until the user closes it; returns the exit status.
int runDesktop(int argc, char** argv, const CommandLine& options,
               const std::string& openedPattern = {});

}  // namespace strovel
