// kestrune: the Strovel program. A command line that starts (after its
// options) with "in_file=" is a batch run that needs no display; anything
// else is the interactive start, in the folder of a pattern file when the
// command line is just that file (a file manager opening it).
#include <clocale>
#include <cstdio>
#include <iostream>

#include "app/batch_run.h"
#include "app/command_line.h"
#include "app/desktop_loader.h"
#include "app/desktop_start.h"
#include "app/stderr_notices.h"
#include "platform/desktop.h"

namespace {

constexpr const char* kSyntax =
    "kestrune [+open ][+dos ][+stat ][+silent ]in_file=IN [out_file=TEMPLATE ]templet=PATTERN";

void printUsage() {
  std::cout << "Usage: " << kSyntax << "\n"
            << "       kestrune --diff [--color[=WHEN] ][+dos ][+stat ]in_file=IN "
               "[out_file=TEMPLATE ]templet=PATTERN\n"
            << "       kestrune [PATTERN.shbl]  (the desktop window)\n"
            << "\n"
            << "Applies the rules of the pattern file PATTERN (.shbl) to the text file IN and\n"
            << "writes the result to TEMPLATE (default res_%d.txt; %d becomes 1).\n"
            << "Options must come first, in this order, each followed by exactly one blank:\n"
            << "  +open    open the result with the desktop afterwards\n"
            << "  +dos     the input is DOS text (CP866); convert it first\n"
            << "  +stat    write one summary line per rule at the head of the result\n"
            << "  +silent  print no messages\n"
            << "Values may be enclosed in double quotes and may contain blanks.\n"
            << "\n"
            << "--diff writes nothing: it prints the changes the pattern makes to IN as a\n"
            << "unified diff (diff -u, LF line breaks), the summary lines first with +stat.\n"
            << "--color=auto|always|never colours it (auto: when stdout is a terminal).\n"
            << "It exits 0 when nothing changes, 1 when something does, 2 on trouble.\n"
            << "\n"
            << "Exit status: 0 success; 1 a file failed (input, pattern or result) or a rule\n"
            << "has an unknown action; 2 templet= is missing, or no display for the window.\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  const std::string line = strovel::joinArguments(argc, argv);
  if (line == "--help") {
    printUsage();
    return 0;
  }
  if (line == "--version") {
    std::cout << "kestrune (Strovel) 1.1.0\n";
    return 0;
  }
  if (strovel::isDiffCommandLine(line)) return strovel::runLoadedDiff(line);
  const strovel::CommandLine commandLine = strovel::parseCommandLine(line);
  if (commandLine.batch) {
    strovel::StderrNotices notices(std::cerr, commandLine.silentMode);
    return strovel::runBatch(commandLine, strovel::diskFileSystem(), notices,
                             strovel::openWithDesktop);
  }
  // Decided before Qt sees argv: QApplication takes its own options out of it.
  const std::string openedPattern = strovel::openedPatternFile(argc, argv);
  if (strovel::displayAvailable())
    return strovel::runLoadedDesktop(argc, argv, commandLine, openedPattern);
  std::cerr << "kestrune: no display for the desktop window; for batch mode use\n  " << kSyntax
            << "\n";
  return 2;
}
