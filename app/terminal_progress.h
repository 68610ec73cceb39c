// The progress line of a batch run on a terminal: once the run has lasted
// a second, one line on standard error, redrawn in place a few times a
// second, says how far the run has got, how fast the input goes through
// and how long the rest will take; it is erased when the run ends or before
// a message is written. The line also answers the run's checkpoints: the
// run is to stop once SIGINT or SIGTERM came.
//
//   TerminalProgress progress(&std::cerr, inputBytes, sortingRules(rules));
//   processFile(..., RunEnvironment(files, notices, progress), summary);
//   progress.erase();
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "engine/run_progress.h"

namespace strovel {

class TerminalProgress : public RunProgress {
 public:
  // Seconds from any fixed moment.
  using Clock = std::function<double()>;
  static double steadySeconds();

  // Without a stream (stderr is not a terminal, or the run is silent) it
  // only answers the checkpoints.
  TerminalProgress(std::ostream* stream, std::uint64_t inputBytes, std::size_t sorts,
                   Clock now = steadySeconds);
  ~TerminalProgress() override { erase(); }

  void report(RunPhase phase, double share) override;
  bool stopAsked() override;
  // Clears the line, if one is shown.
  void erase();

  // The line for a run `done` (0 to 1) of the way through after `seconds`.
  static std::string line(double done, double seconds, std::uint64_t inputBytes);

 private:
  std::ostream* stream_;
  std::uint64_t inputBytes_;
  RunMeter meter_;
  Clock now_;
  double start_;
  double drawn_ = -1;  // when the line was last drawn; < 0: not shown
  std::size_t width_ = 0;
};

}  // namespace strovel
