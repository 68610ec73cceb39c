// The window's runs and the progress hook that moves its bar and listens
// for a stop.
#include "app/window_runner.h"

#include <QThread>
#include <algorithm>
#include <chrono>

#include "engine/output_name.h"

namespace strovel {

// A run's progress on the window's bar: every phase of the run from 0 to
// 99 percent (see RunMeter), then, once the result is in place and a pause
// has let the full bar be seen, 100. The window's events are handled every
// few hundredths of a second; a stop asked for there ends the run.
class WindowRunner::Running : public RunProgress {
 public:
  Running(WindowRunner& runner, const RuleList& rules, int pauseMs)
      : runner_(runner), meter_(sortingRules(rules)), pauseMs_(pauseMs) {
    runner_.running_ = true;
    runner_.stopAsked_ = false;
  }
  ~Running() override { runner_.running_ = false; }
  void report(RunPhase phase, double share) override {
    runner_.show_(static_cast<int>(meter_.at(phase, share) * 99));
    const auto now = std::chrono::steady_clock::now();
    if (now - handled_ < std::chrono::milliseconds(30)) return;
    handled_ = now;
    runner_.handleEvents_();
  }
  bool stopAsked() override { return runner_.stopAsked_; }
  void resultWritten() override {
    if (pauseMs_ > 0) QThread::msleep(static_cast<unsigned long>(pauseMs_));
    runner_.show_(100);
  }
  // Says once that the command stopped.
  void stopped() { runner_.notices_.notify({TextId::ProcessingStopped, {}}); }

 private:
  WindowRunner& runner_;
  RunMeter meter_;
  int pauseMs_;
  std::chrono::steady_clock::time_point handled_{};
};

void WindowRunner::processFiles(const RuleList& rules, const std::vector<std::string>& paths,
                                const RunOptions& options, const Opener& open,
                                RunSummary& lastRun) {
  int runNumber = 1;
  for (const std::string& path : paths) {
    Running progress(*this, rules, pauseMs_);
    const RunEnvironment environment(files_, notices_, progress, open, language_);
    RunStatus status = RunStatus::NotWritten;
    withinMemory(notices_, formatOutputName(options.outputNameTemplate, runNumber), [&] {
      status = processFile(rules, path, runNumber, options, environment, lastRun);
    });
    if (status == RunStatus::Stopped) return progress.stopped();
    ++runNumber;
  }
}

std::optional<TrialResult> WindowRunner::trial(const RuleList& rules, const std::string& path,
                                               const RunOptions& options) {
  std::optional<TrialResult> trial;
  {
    Running progress(*this, rules, 0);
    withinMemory(notices_, formatOutputName(options.outputNameTemplate, 1), [&] {
      trial =
          trialRun(rules, path, options, RunEnvironment(files_, notices_, progress, {}, language_));
    });
    if (!trial && stopAsked_) progress.stopped();
  }
  show_(0);
  return trial;
}

}  // namespace strovel
