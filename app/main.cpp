// kestrune: the Strovel program. A command line that starts (after its
// options) with "in_file=" is a batch run that needs no display; anything
// else is the interactive start, in the folder of a pattern file when the
// command line is just that file (a file manager opening it).
#include <clocale>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string_view>

#include "app/batch_run.h"
#include "app/command_line.h"
#include "app/desktop_loader.h"
#include "app/desktop_start.h"
#include "app/stderr_notices.h"
#include "platform/desktop.h"
#include "platform/memory.h"
#include "platform/stop_signals.h"

int main(int argc, char** argv) {
  strovel::shareHeapUnderAddressLimit();
  std::setlocale(LC_ALL, "");
  const std::string line = strovel::joinArguments(argc, argv);
  if (line == "--help") {
    std::cout << strovel::usageText();
    return 0;
  }
  if (line == "--version") {
    std::cout << "kestrune (Strovel) " STROVEL_VERSION "\n";
    return 0;
  }
  if (strovel::isDiffCommandLine(line)) return strovel::runLoadedDiff(line);
  std::string_view rest = line;
  const std::optional<std::string_view> size = strovel::takeSortMemory(rest);
  strovel::CommandLine commandLine = strovel::parseCommandLine(rest);
  if (size) {
    std::string message;
    const std::optional<std::uint64_t> bytes = strovel::sortMemoryOption(*size, message);
    if (!commandLine.batch) message = "kestrune: --sort-memory goes with a batch run or --diff";
    if (!bytes || !commandLine.batch) {
      std::cerr << message << "\n";
      return 2;
    }
    commandLine.sortMemory = *bytes;
  }
  if (commandLine.batch) {
    strovel::StderrNotices notices(std::cerr, commandLine.silentMode);
    strovel::catchStopSignals();
    return strovel::runBatch(commandLine, strovel::diskFileSystem(), notices,
                             strovel::openWithDesktop,
                             strovel::stderrIsTerminal() ? &std::cerr : nullptr);
  }
  // Decided before Qt sees argv: QApplication takes its own options out of it.
  const std::string openedPattern = strovel::openedPatternFile(argc, argv);
  if (strovel::displayAvailable())
    return strovel::runLoadedDesktop(argc, argv, commandLine, openedPattern);
  std::cerr << "kestrune: no display for the desktop window; for batch mode use\n  "
            << strovel::kBatchSyntax << "\n";
  return 2;
}
