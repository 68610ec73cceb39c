// The processing run, step by step: the input opened and read in pieces
// (text mode and the DOS conversion on the reading side of piece_flow.h),
// the pieces through the rule chain into the result file, the statistics
// block put in front, the result committed and opened.
#include "engine/processing_run.h"

#include <algorithm>
#include <memory>
#include <new>

#include "engine/output_name.h"
#include "engine/result_file.h"
#include "engine/rule_chain.h"
#include "engine/sorted_runs.h"
#include "platform/memory.h"

namespace strovel {
namespace {

// The statistics block as the rules know it: final once every rule with an
// action has counted, else guessed from what they have done so far.
class RunStatistics : public ResultFile::StatisticsPlan {
 public:
  RunStatistics(const RuleChain& chain, const LanguageSelector& language)
      : chain_(chain), language_(language) {}
  double read = 0;  // the input's share read, to extrapolate the counts by

  bool final() const override { return chain_.summaryKnown(); }
  std::uint64_t size() const override {
    if (final()) return statisticsBlockSize(chain_.summary(), language_);
    return statisticsBlockSize(chain_.projectSummary(read), language_);
  }
  bool write(ByteSink& out) const override {
    return writeStatisticsBlock(chain_.summary(), language_, out);
  }

 private:
  const RuleChain& chain_;
  const LanguageSelector& language_;
};

// Reads the input through the rules into the result; false when a read
// failed.
bool readThrough(TextSource& input, const RunOptions& options, RuleChain& chain,
                 RunStatistics& statistics, ResultFile& result, RunProgress& progress) {
  chain.expect(input.expectedSize());
  TextFeed feed(input, options.dosMode, options.flow);
  std::string_view piece;
  while (feed.next(piece, statistics.read)) {
    chain.append(piece, result.sink());
    result.settle();
    progress.checkpoint(RunPhase::Reading, std::min(statistics.read, 1.0));
  }
  feed.finish();
  statistics.read = 1;
  return !input.failed();
}

// The runs a sort merges at once: what the process may have open, less
// room for the files it has open besides.
std::size_t mergeFanIn(const RunOptions& options) {
  if (options.mergeFanIn > 0) return options.mergeFanIn;
  const std::uint64_t open = openFileLimit();
  return static_cast<std::size_t>(std::clamp<std::uint64_t>(open > 64 ? open - 64 : 2, 2, 1000));
}

RunStatus failed(const RunEnvironment& environment, Notice notice) {
  environment.notices.notify(notice);
  return RunStatus::NotWritten;
}

}  // namespace

RunStatus processFile(const RuleList& rules, const std::string& inputPath, int runNumber,
                      const RunOptions& options, const RunEnvironment& environment,
                      RunSummary& summary) {
  const std::unique_ptr<TextSource> input = environment.files.openText(inputPath);
  if (!input) return failed(environment, {TextId::DoesNotOpen, inputPath});
  summary.clear();
  const std::string resultName = formatOutputName(options.outputNameTemplate, runNumber);
  SortBudget budget(options.sortMemory ? options.sortMemory : defaultSortBudget(memoryLimits()));
  const SortContext sorts{budget,
                          environment.files,
                          mergeFanIn(options),
                          options.sortThreadsFrom,
                          options.ruleWindow,
                          environment.progress};
  RuleChain chain(rules, environment.notices, sorts, options.ruleWindow);
  RunStatistics statistics(chain, environment.language);
  ResultFile result(environment.files, resultName, options.statistics ? &statistics : nullptr,
                    options.flow);
  try {
    if (!readThrough(*input, options, chain, statistics, result, environment.progress))
      return failed(environment, {TextId::DoesNotOpen, inputPath});
    chain.finish(result.sink());
    summary = chain.summary();
    if (!result.commit()) return failed(environment, {TextId::NotCreated, resultName});
  } catch (const RunStopped&) {
    return RunStatus::Stopped;
  } catch (const SpillFailed&) {
    return failed(environment, {TextId::NotCreated, resultName});
  }
  environment.progress.resultWritten();
  if (options.openResult && environment.open) environment.open(resultName);
  return RunStatus::Written;
}

std::size_t sortingRules(const RuleList& rules) {
  return static_cast<std::size_t>(std::count_if(rules.begin(), rules.end(), [](const Rule& r) {
    return r.ActionType == SortByElement || r.ActionType == SortDistinct;
  }));
}

bool withinMemory(NoticeSink& notices, const std::string& resultName,
                  const std::function<void()>& work) {
  try {
    work();
    return true;
  } catch (const std::bad_alloc&) {
  }
  // Reported here, after the unwinding has released what the work held.
  notices.notify({TextId::NotCreated, resultName});
  return false;
}

}  // namespace strovel
