// The window's runs and the progress hook that moves its bar.
#include "app/window_runner.h"

#include <QThread>

#include "engine/output_name.h"

namespace strovel {
namespace {

// A run's progress on the window's bar: the reading from 0 to 99 percent,
// then, once the result is in place and a pause has let the full bar be
// seen, 100.
class BarProgress : public RunProgress {
 public:
  BarProgress(const WindowRunner::ShowProgress& show, int pauseMs)
      : show_(show), pauseMs_(pauseMs) {}
  void report(RunPhase phase, double share) override {
    if (phase == RunPhase::Reading) show_(static_cast<int>(share * 99));
  }
  void resultWritten() override {
    if (pauseMs_ > 0) QThread::msleep(static_cast<unsigned long>(pauseMs_));
    show_(100);
  }

 private:
  const WindowRunner::ShowProgress& show_;
  int pauseMs_;
};

}  // namespace

void WindowRunner::processFiles(const RuleList& rules, const std::vector<std::string>& paths,
                                const RunOptions& options, const Opener& open,
                                RunSummary& lastRun) {
  BarProgress progress(show_, pauseMs_);
  const RunEnvironment environment(files_, notices_, progress, open, language_);
  int runNumber = 1;
  for (const std::string& path : paths) {
    withinMemory(notices_, formatOutputName(options.outputNameTemplate, runNumber),
                 [&] { processFile(rules, path, runNumber, options, environment, lastRun); });
    ++runNumber;
  }
}

std::optional<TrialResult> WindowRunner::trial(const RuleList& rules, const std::string& path,
                                               const RunOptions& options) {
  std::optional<TrialResult> trial;
  BarProgress progress(show_, 0);
  withinMemory(notices_, formatOutputName(options.outputNameTemplate, 1), [&] {
    trial =
        trialRun(rules, path, options, RunEnvironment(files_, notices_, progress, {}, language_));
  });
  show_(0);
  return trial;
}

}  // namespace strovel
