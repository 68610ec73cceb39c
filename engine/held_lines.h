// The lines a sort holds in memory: their text, and for every line its
// place in the order and its key, in tables of 32-bit offsets (64-bit
// beyond 4 GB of text or 2^27 lines). The text comes in pieces and the
// lines are taken as soon as the text holds them whole, so the memory they
// take is known at every moment and a sort can put them aside as a sorted
// run before it passes its budget.
//
// A line with no element is placed behind the keys equal to the greatest
// key placed before it; when that key was in an earlier run, its bytes
// stand at the head of this run's text, before the first line.
//
//   auto lines = holdLines(rule, {}, false, 0, false, kSortTwoThreadsFrom, 1 << 20);
//   lines->append(piece);  ...
//   lines->walk(true);
//   lines->sort(progress);
//   lines->forEach([](const LineRecord& line) { ... });   // in order
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/run_progress.h"
#include "engine/run_summary.h"
#include "engine/sorted_runs.h"
#include "engine/text_sink.h"
#include "patterns/rule.h"

namespace strovel {

class HeldLines {
 public:
  virtual ~HeldLines() = default;
  // How many more bytes the text may take (the 32-bit form's limit).
  virtual std::uint64_t room() const = 0;
  virtual void append(std::string_view text) = 0;
  // True when enough text has come since the last walk to walk again.
  virtual bool due() const = 0;
  // Takes the lines the text holds whole (every line when final). False
  // when the tables are full (the 32-bit form's limits): the lines taken
  // must go into a run, and the rest into the next one.
  virtual bool walk(bool final) = 0;
  // The text after the last line taken, which the next run starts with.
  virtual std::string_view rest() const = 0;
  // The greatest key of the lines taken so far (of an earlier run when
  // none here is greater), and the index the next line will have.
  virtual std::string_view greatest() const = 0;
  virtual std::uint64_t nextIndex() const = 0;
  virtual std::uint64_t lines() const = 0;
  virtual std::uint64_t heldBytes() const = 0;
  virtual SortCounts counts() const = 0;
  // Orders the lines taken.
  virtual void sort(RunProgress* progress) = 0;
  // The lines in order (after sort()), as records.
  virtual void forEach(const std::function<void(const LineRecord&)>& visit) const = 0;
  virtual std::unique_ptr<RunSource> source() const = 0;
  // The lines in order as text for `out`, straight from the text.
  virtual void write(const TextSink& out, RunProgress* progress) const = 0;
};

// Lines of a text whose first line has index `firstIndex`, behind an
// earlier run whose greatest key was `greatest` (hasGreatest). `wide`
// takes the 64-bit form from the start; `window` is the text gathered
// before the lines are taken.
std::unique_ptr<HeldLines> holdLines(const Rule& rule, std::string_view greatest, bool hasGreatest,
                                     std::uint64_t firstIndex, bool wide,
                                     std::size_t twoThreadsFrom, std::size_t window);

}  // namespace strovel
