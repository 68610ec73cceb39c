// The window's processing runs: the files of one command processed one
// after the other with the window's progress bar following them, and the
// trial run behind the preview. Running out of memory in a run is reported
// as its result not created, and the next file is still processed. Qt-free
// apart from the pause after each result.
//
//   WindowRunner runner(files, notices, language, [&](int percent) { bar.setValue(percent); });
//   runner.processFiles(rules, {"a.txt", "b.txt"}, options, opener, lastRun);
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
  // All four must outlive the runner.
  WindowRunner(FileSystem& files, NoticeSink& notices, const LanguageSelector& language,
               ShowProgress showProgress)
      : files_(files), notices_(notices), language_(language), show_(std::move(showProgress)) {}

  // The pause after each result is written, so that the full progress bar
  // can be seen; 500 ms by default.
  void setFinishPause(int milliseconds) { pauseMs_ = milliseconds; }

  // Processes the files in order with run numbers 1, 2, 3 ...; `lastRun`
  // gets what the rules of each run did.
  void processFiles(const RuleList& rules, const std::vector<std::string>& paths,
                    const RunOptions& options, const Opener& open, RunSummary& lastRun);
  // The trial run of a preview; nullopt when it failed, which is reported.
  // The bar shows 0 afterwards: nothing was written.
  std::optional<TrialResult> trial(const RuleList& rules, const std::string& path,
                                   const RunOptions& options);

 private:
  FileSystem& files_;
  NoticeSink& notices_;
  const LanguageSelector& language_;
  ShowProgress show_;
  int pauseMs_ = 500;
};

}  // namespace strovel
