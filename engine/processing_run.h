// One processing run: read an input file in text mode, pass it through the
// rules of a pattern in order, and write one result file (an optional
// statistics block, then the text). This is what both the desktop
// and batch mode call, once per input file.
//
//   RuleList rules;                       // e.g. from loadPattern
//   RunOptions options;                   // "res_%d.txt", no DOS, no statistics
//   std::vector<std::string> statistics;  // one summary line per rule
//   processFile(rules, "in.txt", 1, options, environment, statistics);
//   // res_1.txt now holds the processed text with CR LF line breaks
#pragma once

#include <string>
#include <vector>

#include "app/catalogue/catalogue.h"
#include "app/catalogue/notice.h"
#include "engine/piece_flow.h"
#include "engine/sorting.h"
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
  // When the reading and the writing move to threads of their own, and the
  // pieces they pass (tests make them small so that threads run on small
  // inputs).
  FlowLimits flow = FlowLimits();
};

// What a run needs from its caller.
class RunEnvironment {
 public:
  virtual ~RunEnvironment() = default;
  virtual FileSystem& files() = 0;
  // Failures: the input does not open (164), the result is not created
  // (160), a rule has an unknown action type (158).
  virtual NoticeSink& notices() = 0;
  virtual const LanguageSelector& language() = 0;
  // Progress in percent, 0 to 100.
  virtual void progress(int /*percent*/) {}
  // Called once the result is written, before the progress is set to 100.
  virtual void resultWritten() {}
  virtual void openResult(const std::string& path) = 0;
};

// Runs the rules over the input. `statisticsLines` is replaced by this
// run's summary lines once the input has opened (it is left alone when the
// input does not open). Returns true when the result file was written.
bool processFile(const RuleList& rules, const std::string& inputPath, int runNumber,
                 const RunOptions& options, RunEnvironment& environment,
                 std::vector<std::string>& statisticsLines);

}  // namespace strovel
