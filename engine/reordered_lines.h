// How both sorts write their lines in the new order. Each line is a
// segment: its LF in front, then its text; only the text's first line has
// no LF in front. When the first line moves, it gets a LF in front and the
// segment that comes first loses its own, so the lines stay whole and are
// joined by single LFs.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

#include "engine/gatherer.h"
#include "engine/run_progress.h"

namespace strovel {

// Writes `count` segments to `out`; segment(n) gives the n-th segment to
// write and whether it is the text's first line. The position goes to the
// progress hook (may be null) as the sort's writing phase.
template <typename Segment>
void writeReordered(std::size_t count, Segment&& segment, const TextSink& out,
                    RunProgress* progress) {
  Gatherer gathered(out);
  ProgressTicker ticker(progress, RunPhase::Writing, count);
  for (std::size_t n = 0; n < count; ++n) {
    ticker.at(n);
    auto [text, first] = segment(n);
    std::string_view line = text;
    if (n == 0 && !first) line.remove_prefix(1);
    if (n != 0 && first) gathered.lineBreak();
    gathered.add(line);
  }
  gathered.flush();
}

}  // namespace strovel
