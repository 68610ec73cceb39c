// One processing run: read an input file in text mode, pass it through the
// rules of a pattern in order, and write one result file (an optional
// statistics block, then the text). This is what the window and batch
// mode call, once per input file, and what the trial run makes in memory.
//
//   RuleList rules;                    // e.g. from loadPattern
//   RunOptions options;                // "res_%d.txt", no DOS, no statistics
//   RunEnvironment environment(diskFileSystem(), notices);
//   RunSummary summary;                // what each rule did
//   processFile(rules, "in.txt", 1, options, environment, summary);
//   // res_1.txt now holds the processed text with CR LF line breaks
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "catalogue/catalogue.h"
#include "catalogue/notice.h"
#include "engine/key_sort.h"
#include "engine/piece_flow.h"
#include "engine/run_progress.h"
#include "engine/run_summary.h"
#include "patterns/rule_list.h"
#include "platform/file_system.h"

namespace strovel {

struct RunOptions {
  bool dosMode = false;     // convert the input from CP866 to the ANSI code page
  bool statistics = false;  // write the summary lines at the head of the result
  bool openResult = false;  // hand the result to the desktop afterwards
  std::string outputNameTemplate = "res_%d.txt";
  // How much text a streaming rule gathers before it decides what it can
  // (tests make it small so that decisions fall everywhere).
  std::size_t ruleWindow = 1 << 20;
  // The lines from which a sort shares its work between two threads (tests
  // make it small so that both threads sort small texts).
  std::size_t sortThreadsFrom = kSortTwoThreadsFrom;
  // The memory the sorts may hold together, 0 for the default share of the
  // machine's (see sort_budget.h); beyond it they put runs aside on disk.
  std::uint64_t sortMemory = 0;
  // How many runs a sort merges at once, 0 for what the process may have
  // open.
  std::size_t mergeFanIn = 0;
  // When the reading and the writing move to threads of their own, and the
  // pieces they pass (tests make them small so that threads run on small
  // inputs).
  FlowLimits flow = FlowLimits();
};

// What a run needs from its caller; each front end makes one.
struct RunEnvironment {
  // `progress` hears how far the run has got and may stop it; `open` opens
  // a finished result when the options ask for it (unset: never);
  // `language` is that of the summary lines.
  RunEnvironment(FileSystem& files, NoticeSink& notices,
                 RunProgress& progress = RunProgress::none(),
                 std::function<void(const std::string& path)> open = {},
                 const LanguageSelector& language = russian())
      : files(files),
        notices(notices),
        progress(progress),
        open(std::move(open)),
        language(language) {}

  FileSystem& files;
  // Failures: the input does not open, the result is not created, a rule
  // has an unknown action type.
  NoticeSink& notices;
  RunProgress& progress;
  std::function<void(const std::string& path)> open;
  const LanguageSelector& language;

  static const LanguageSelector& russian() {
    static const LanguageSelector selector;
    return selector;
  }
};

enum class RunStatus {
  Written,     // the result is in place
  NotWritten,  // a failure, reported as a notice
  Stopped,     // the progress hook asked for a stop; nothing was reported
};

// Runs the rules over the input. `summary` is replaced by what this run's
// rules did once the input has opened (it is left alone when the input
// does not open). An old result stays as it was unless the run is Written.
RunStatus processFile(const RuleList& rules, const std::string& inputPath, int runNumber,
                      const RunOptions& options, const RunEnvironment& environment,
                      RunSummary& summary);

// How many of the rules sort: what a RunMeter divides a run by.
std::size_t sortingRules(const RuleList& rules);

// Runs `work` (a run, and whatever prepares it). Running out of memory in
// it is a failure to create the result `resultName`, reported as such once
// what the work held is released, not a crash; false then.
bool withinMemory(NoticeSink& notices, const std::string& resultName,
                  const std::function<void()>& work);

}  // namespace strovel
