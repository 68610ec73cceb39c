// The batch run. A pattern that does not open is reported and the run goes
// on with the empty rule list, so the input comes out unchanged. Running out
// of memory is a failure to create the result, not a crash.
#include "app/batch_run.h"

#include "engine/output_name.h"
#include "engine/processing_run.h"
#include "patterns/pattern_file.h"

namespace strovel {

int runBatch(const CommandLine& line, FileSystem& files, StderrNotices& notices,
             const Opener& open) {
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
  withinMemory(notices, formatOutputName(options.outputNameTemplate, 1), [&] {
    PatternState pattern;
    loadPattern(pattern, line.patternPath, files, notices);
    RunSummary summary;
    processFile(pattern.rules, line.inputPath, 1, options,
                RunEnvironment(files, notices, RunProgress::none(), open), summary);
  });
  return notices.exitStatus();
}

}  // namespace strovel
