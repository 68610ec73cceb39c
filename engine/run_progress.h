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
    checkStop();
  }
  // Throws RunStopped when a stop was asked for, reporting nothing.
  void checkStop() {
    if (stopAsked()) throw RunStopped{};
  }
  // A hook that reports nowhere and never stops.
  static RunProgress& none() {
    static RunProgress quiet;
    return quiet;
  }
};

// Turns a run's reports into how far the whole run has got, from 0 to 1,
// a share that only grows: the reading takes all of it when no rule sorts,
// else half; each sort then takes an equal part of the rest, half for
// ordering its lines and half for merging or writing them.
//
//   RunMeter meter(rules that sort);
//   bar.setValue(int(meter.at(phase, share) * 99));
class RunMeter {
 public:
  explicit RunMeter(std::size_t sorts) : sorts_(sorts) {}
  double at(RunPhase phase, double share) {
    share = std::clamp(share, 0.0, 1.0);
    const double reading = sorts_ == 0 ? 1.0 : 0.5;
    double at = share * reading;
    if (phase != RunPhase::Reading && sorts_ > 0) {
      // A sort's ordering after another's output, or output that starts
      // over, is the next sort's.
      const bool ordering = phase == RunPhase::Sorting;
      if (sort_ < 0) {
        sort_ = 0;
      } else if (output_ && (ordering || share < last_)) {
        ++sort_;
      }
      output_ = !ordering;
      last_ = share;
      const double each = (1 - reading) / static_cast<double>(sorts_);
      const auto n =
          static_cast<double>(std::min<std::size_t>(static_cast<std::size_t>(sort_), sorts_ - 1));
      at = reading + n * each + (ordering ? share : 1 + share) * each / 2;
    }
    best_ = std::max(best_, at);
    return best_;
  }

 private:
  std::size_t sorts_;
  int sort_ = -1;        // the sort whose phases come now
  bool output_ = false;  // the last report was of merging or writing
  double last_ = 0;
  double best_ = 0;
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
