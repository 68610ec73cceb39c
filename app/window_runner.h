// The window's processing runs: the files of one command processed one
// after the other with the window's progress bar following every phase of
// each run, and the trial run behind the preview. While a run goes on the
// window's events keep being handled (the runner calls back to have them
// handled), so that the user can ask it to stop: the run then ends at its
// next checkpoint, its result is not put in place (an old one stays), the
// files after it are not processed, and one message says so. Running out
// of memory in a run is reported as its result not created, and the next
// file is still processed.
//
//   WindowRunner runner(files, notices, language, [&](int percent) { bar.setValue(percent); },
//                       [] { QCoreApplication::processEvents(); });
//   runner.processFiles(rules, {"a.txt", "b.txt"}, options, opener, lastRun);
//   // meanwhile, on Escape: runner.stop();
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "engine/processing_run.h"
#include "engine/trial_run.h"

namespace strovel {

class WindowRunner {
 public:
  using ShowProgress = std::function<void(int percent)>;
  using Opener = std::function<void(const std::string& path)>;
  // All must outlive the runner. `handleEvents` is called now and then
  // during a run.
  WindowRunner(FileSystem& files, NoticeSink& notices, const LanguageSelector& language,
               ShowProgress showProgress, std::function<void()> handleEvents)
      : files_(files),
        notices_(notices),
        language_(language),
        show_(std::move(showProgress)),
        handleEvents_(std::move(handleEvents)) {}

  // The pause after each result is written, so that the full progress bar
  // can be seen; 500 ms by default.
  void setFinishPause(int milliseconds) { pauseMs_ = milliseconds; }

  // Processes the files in order with run numbers 1, 2, 3 ...; `lastRun`
  // gets what the rules of each run did.
  void processFiles(const RuleList& rules, const std::vector<std::string>& paths,
                    const RunOptions& options, const Opener& open, RunSummary& lastRun);
  // The trial run of a preview; nullopt when it failed, which is reported,
  // or was stopped. The bar shows 0 afterwards: nothing was written.
  std::optional<TrialResult> trial(const RuleList& rules, const std::string& path,
                                   const RunOptions& options);

  bool running() const { return running_; }
  // Asks the run going on to stop.
  void stop() { stopAsked_ = running_; }

 private:
  class Running;

  FileSystem& files_;
  NoticeSink& notices_;
  const LanguageSelector& language_;
  ShowProgress show_;
  std::function<void()> handleEvents_;
  int pauseMs_ = 500;
  bool running_ = false;
  bool stopAsked_ = false;
};

}  // namespace strovel
