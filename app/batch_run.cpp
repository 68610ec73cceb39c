// The batch run. A pattern that does not open is reported and the run goes
// on with the empty rule list, so the input comes out unchanged. Running out
// of memory is a failure to create the result, not a crash.
#include "app/batch_run.h"

#include <new>

#include "engine/output_name.h"
#include "engine/processing_run.h"
#include "patterns/pattern_file.h"

namespace strovel {
namespace {

constexpr int kResultNotCreated = 160;

class BatchEnvironment : public RunEnvironment {
 public:
  BatchEnvironment(FileSystem& files, NoticeSink& notices, const Opener& open)
      : files_(files), notices_(notices), open_(open) {}
  FileSystem& files() override { return files_; }
  NoticeSink& notices() override { return notices_; }
  const LanguageSelector& language() override { return language_; }
  void openResult(const std::string& path) override {
    if (open_) open_(path);
  }

 private:
  FileSystem& files_;
  NoticeSink& notices_;
  const Opener& open_;
  LanguageSelector language_;
};

}  // namespace

int runBatch(const CommandLine& line, FileSystem& files, StderrNotices& notices,
             const Opener& open) {
  if (line.patternMissing) {
    notices.notify({140, {}});
    return notices.exitStatus();
  }
  RunOptions options;
  options.dosMode = line.dosMode;
  options.statistics = line.statistics;
  options.openResult = line.openResult;
  options.outputNameTemplate = line.outputNameTemplate;
  try {
    PatternState pattern;
    loadPattern(pattern, line.patternPath, files, notices);
    BatchEnvironment environment(files, notices, open);
    std::vector<std::string> statisticsLines;
    processFile(pattern.rules, line.inputPath, 1, options, environment, statisticsLines);
  } catch (const std::bad_alloc&) {
    // The text does not fit in memory. Nothing has been written (an old
    // result stays as it was); this is reported like any result that is
    // not created, once the memory of the run is released.
    notices.notify({kResultNotCreated, formatOutputName(options.outputNameTemplate, 1)});
  }
  return notices.exitStatus();
}

}  // namespace strovel
