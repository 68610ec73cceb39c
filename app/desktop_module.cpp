// The desktop part as a module of its own, loaded by kestrune only when it
// starts the window, so that batch runs never load Qt.
#include <string>

#include "app/desktop_start.h"

extern "C" __attribute__((visibility("default"))) int kestruneDesktop(
    int argc, char** argv, const strovel::CommandLine& options, const std::string& openedPattern) {
  return strovel::runDesktop(argc, argv, options, openedPattern);
}
