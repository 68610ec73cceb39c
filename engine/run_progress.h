// The run-wide progress hook. Every long phase of a processing run (the
// reading, a sort ordering its lines, a merge, the writing of a sort's
// result) tells it how far it has got, and learns there whether the run is
// to stop: a phase calls checkpoints as it goes, and a checkpoint at which
// stopAsked() answers true throws RunStopped, which ends the run without
// putting its result in place. The hook is called on the run's own thread
// only; stopAsked() may read a flag that another thread or a signal sets.
//
//   class Bar : public RunProgress {
//     void report(RunPhase phase, double share) override { show(phase, share); }
//     bool stopAsked() override { return escapePressed; }
//   };
#pragma once

#include <algorithm>
#include <cstddef>

namespace strovel {

enum class RunPhase : unsigned char {
  Reading,  // the input, through the streaming rules
  Sorting,  // a sort orders the lines it holds
  Merging,  // a sort merges sorted runs
  Writing,  // a sort passes its lines on in their new order
};

// Thrown at a checkpoint once a stop was asked for.
struct RunStopped {};

class RunProgress {
 public:
  virtual ~RunProgress() = default;
  // `phase` has done `share` (0 to 1) of its work. A sort reports its
  // phases once for every sort rule, each from 0 on.
  virtual void report(RunPhase /*phase*/, double /*share*/) {}
  // True once the run is to stop.
  virtual bool stopAsked() { return false; }
  // The result is in place, just before it is opened.
  virtual void resultWritten() {}

  // Reports and throws RunStopped when a stop was asked for.
  void checkpoint(RunPhase phase, double share) {
    report(phase, share);
    if (stopAsked()) throw RunStopped{};
  }
  // A hook that reports nowhere and never stops.
  static RunProgress& none() {
    static RunProgress quiet;
    return quiet;
  }
};

// Passes the positions a phase reaches in a work of `total` units on to
// the hook a few hundred times at most, so that a walk can offer every
// position it reaches for free. Without a hook it does nothing.
class ProgressTicker {
 public:
  ProgressTicker(RunProgress* progress, RunPhase phase, std::size_t total)
      : progress_(progress),
        phase_(phase),
        total_(total),
        step_(std::max<std::size_t>(total / 500, 1)) {}
  void at(std::size_t position) {
    if (position < next_ || !progress_) return;
    progress_->checkpoint(phase_, total_ == 0 ? 1 : static_cast<double>(position) / total_);
    next_ = position + step_;
  }

 private:
  RunProgress* progress_;
  RunPhase phase_;
  std::size_t total_;
  std::size_t step_;
  std::size_t next_ = 0;
};

}  // namespace strovel
