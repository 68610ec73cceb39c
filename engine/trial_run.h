// A trial run: the processing run made in memory, for showing what a
// pattern does before anything is written. It reads the input exactly as a
// processing run does (text mode, then the DOS conversion when asked) and
// hands back that text, the result text and what the rules did; no result
// file is created and nothing is opened.
//
//   std::optional<TrialResult> trial = trialRun(rules, "in.txt", options, environment);
//   if (trial) show(trial->input, trial->result, summaryLines(trial->summary, language));
#pragma once

#include <optional>
#include <string>

#include "engine/processing_run.h"

namespace strovel {

struct TrialResult {
  std::string input;   // the text the first rule sees, LF line breaks
  std::string result;  // the text the result file would hold after its statistics block
  RunSummary summary;
};

// Runs the rules over the input as processFile does with `options`, but
// writes nothing. Failures are reported to the environment's notices as
// the processing run reports them; nullopt when the input does not open or
// the run was stopped.
std::optional<TrialResult> trialRun(const RuleList& rules, const std::string& inputPath,
                                    const RunOptions& options, const RunEnvironment& environment);

// One rule's part in a trial run of the rules: `input` is the text before
// rule `step` (0-based) and `result` the text after it, each as a result
// file of the rules up to there would hold it, and `summary` holds what
// that rule did (nothing when its action is unknown). Two trial runs, of
// the rules before the step and of those up to it; nullopt as trialRun.
// Precondition: step < rules.size().
std::optional<TrialResult> trialStep(const RuleList& rules, std::size_t step,
                                     const std::string& inputPath, const RunOptions& options,
                                     const RunEnvironment& environment);

// Undoes the text-mode writing of a result: each CR LF becomes LF.
std::string fromWrittenText(std::string_view written);

}  // namespace strovel
