// The interactive start: the desktop window on a display. Batch mode never
// comes here, so it never needs one.
#pragma once

#include "app/command_line.h"

namespace strovel {

// True when Qt can show a window: a display (X11 or Wayland) or an
// explicitly chosen Qt platform such as offscreen.
bool displayAvailable();

// Shows the main window until the user closes it; returns the exit status.
int runDesktop(int argc, char** argv, const CommandLine& options);

}  // namespace strovel
