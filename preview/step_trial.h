// One step of a pattern tried in the background, for the preview's
// rule-by-rule view: the text before the rule and after it (trialStep),
// made on a worker thread that owns what it needs, so that the window
// stays responsive and can give up on a step it no longer wants. Nothing
// is written; a failure is kept as the notice a run would have shown.
//
//   std::shared_ptr<StepTrial> step = StepTrial::start(steps, 1);  // the second rule
//   ... later, on the window's thread:
//   if (step->done()) show(step->trial ? *step->trial : step->failure);
//   step->stop();  // the worker gives up at its next checkpoint
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "catalogue/notice.h"
#include "engine/trial_run.h"

namespace strovel {

// What the steps of a preview run: the rules and the input tried.
struct PreviewSteps {
  RuleList rules;
  std::string inputPath;
  RunOptions options;
};

class StepTrial {
 public:
  // Starts trying rule `step` (0-based) of the rules.
  static std::shared_ptr<StepTrial> start(const PreviewSteps& steps, std::size_t step);

  bool done() const { return done_.load(std::memory_order_acquire); }
  void stop() { stop_.store(true, std::memory_order_relaxed); }

  // Valid once done(): the texts and that rule's summary, or why there are
  // none (no notice when it was stopped).
  std::optional<TrialResult> trial;
  std::optional<Notice> failure;

 private:
  std::atomic<bool> done_{false};
  std::atomic<bool> stop_{false};
};

}  // namespace strovel
