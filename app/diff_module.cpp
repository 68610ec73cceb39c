// The diff command as a module of its own, loaded by kestrune only for
// --diff, so that other runs never load libgit2.
#include <unistd.h>

#include <iostream>
#include <string>

#include "app/diff_command.h"

extern "C" __attribute__((visibility("default"))) int kestruneDiff(const std::string& line) {
  return strovel::runDiffCommand(line, strovel::diskFileSystem(), std::cout, std::cerr,
                                 ::isatty(STDOUT_FILENO) != 0);
}
