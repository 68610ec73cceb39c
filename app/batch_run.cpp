// The batch run. A pattern that does not open is reported and the run goes
// on with the empty rule list, so the input comes out unchanged. Running out
// of memory is a failure to create the result, not a crash. A run stopped
// by a signal leaves the old result as it was.
#include "app/batch_run.h"

#include <filesystem>

#include "app/terminal_progress.h"
#include "engine/output_name.h"
#include "engine/processing_run.h"
#include "patterns/pattern_file.h"
#include "platform/stop_signals.h"

namespace strovel {

int runBatch(const CommandLine& line, FileSystem& files, StderrNotices& notices, const Opener& open,
             std::ostream* progressLine) {
  if (line.patternMissing) {
    notices.notify({TextId::PatternNameMissing, {}});
    return notices.exitStatus();
  }
  RunOptions options;
  options.dosMode = line.dosMode;
  options.statistics = line.statistics;
  options.openResult = line.openResult;
  options.outputNameTemplate = line.outputNameTemplate;
  options.sortMemory = line.sortMemory;
  RunStatus status = RunStatus::NotWritten;
  withinMemory(notices, formatOutputName(options.outputNameTemplate, 1), [&] {
    PatternState pattern;
    loadPattern(pattern, line.patternPath, files, notices);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(line.inputPath, error);
    TerminalProgress progress(line.silentMode ? nullptr : progressLine, error ? 0 : size,
                              sortingRules(pattern.rules));
    notices.setBeforeLine([&progress] { progress.erase(); });
    RunSummary summary;
    status = processFile(pattern.rules, line.inputPath, 1, options,
                         RunEnvironment(files, notices, progress, open), summary);
    notices.setBeforeLine({});
  });
  if (const int signal = stopSignal(); signal != 0 || status == RunStatus::Stopped)
    return 128 + signal;
  return notices.exitStatus();
}

}  // namespace strovel
