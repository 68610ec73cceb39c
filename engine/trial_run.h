// A trial run: the processing run made in memory, for showing what a
// pattern does before anything is written. It reads the input exactly as a
// processing run does (text mode, then the DOS conversion when asked) and
// hands back that text, the result text and the summary lines; no result
// file is created and nothing is opened.
//
//   std::optional<TrialResult> trial = trialRun(rules, "in.txt", options, environment);
//   if (trial) show(trial->input, trial->result, trial->statisticsLines);
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/processing_run.h"

namespace strovel {

struct TrialResult {
  std::string input;   // the text the first rule sees, LF line breaks
  std::string result;  // the text the result file would hold after its statistics block
  std::vector<std::string> statisticsLines;
};

// Runs the rules over the input as processFile does with `options`, but
// writes nothing. Failures are reported to the environment's notices as
// the processing run reports them; nullopt when the input does not open.
std::optional<TrialResult> trialRun(const RuleList& rules, const std::string& inputPath,
                                    const RunOptions& options, RunEnvironment& environment);

// Undoes the text-mode writing of a result: each CR LF becomes LF.
std::string fromWrittenText(std::string_view written);

}  // namespace strovel
