// Progress of an action: called now and then with a byte position in the
// text the action works on. The processing run turns it into a percentage.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>

namespace strovel {

using Progress = std::function<void(std::size_t position)>;

// Passes positions on to a Progress a few hundred times over a text at
// most, so that a walk can offer every position it reaches for free.
class ProgressTicker {
 public:
  ProgressTicker(const Progress& progress, std::size_t textSize)
      : progress_(progress), step_(std::max<std::size_t>(textSize / 500, 1)) {}
  void at(std::size_t position) {
    if (position < next_ || !progress_) return;
    progress_(position);
    next_ = position + step_;
  }

 private:
  const Progress& progress_;
  std::size_t step_;
  std::size_t next_ = 0;
};

}  // namespace strovel
