// What every sort of a run shares: the memory budget, where runs go, how
// many runs may be merged at once, the threads, and the progress hook.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/run_progress.h"
#include "engine/sort_budget.h"
#include "platform/file_system.h"

namespace strovel {

struct SortContext {
  SortBudget& budget;
  FileSystem& files;           // its scratch spools take the runs
  std::size_t fanIn;           // runs merged at once
  std::size_t twoThreadsFrom;  // lines from which a sort uses two threads
  std::size_t window;          // text gathered before a sort takes the lines it holds
  RunProgress& progress;

  // The buffer each run is read through when `runs` are merged.
  std::size_t readBuffer(std::size_t runs) const;
};

}  // namespace strovel
