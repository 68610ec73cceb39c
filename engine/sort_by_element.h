// SortByElement. Each line's key is taken from its element: the bytes that
// begin right after the located Pattern1 and are b - a bytes long (the
// element followed by as many bytes as Pattern1 has), cut off at the end of
// the text. Keys compare as unsigned bytes; a prefix sorts first.
//
// The order is exactly that of placing the lines one by one into a list:
// a keyed line goes before the first placed entry whose key is greater than
// or equal to its own, a line without an element goes to the end. It is
// computed in O(n log n) from these facts about that placing:
//  - keyed lines with non-empty keys end in key order, equal keys in reverse
//    input order;
//  - a line without an element lands after every keyed line whose key is at
//    most the greatest key placed before it, and before all others;
//  - a keyed line with an empty key goes to the very front.
// So every line gets a place and, where keys decide, a key (sorted_runs.h).
//
// The lines are held in memory while they fit in the sort's budget; beyond
// it, the held lines are sorted and put aside as a run on disk, and at the
// end the runs and the lines still held are merged. The result is the same
// either way, wherever a run ends.
//
//   ElementSort sort(rule, context);
//   sort.append("q\ny[b]\nz[a]\nw");
//   SortCounts counts = sort.finish();  // {2, 2}
//   sort.write(sink);                   // "q\nz[a]\ny[b]\nw" in pieces
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/held_lines.h"
#include "engine/run_summary.h"
#include "engine/sort_context.h"
#include "engine/text_sink.h"
#include "patterns/rule.h"

namespace strovel {

class ElementSort {
 public:
  // The rule and the context must outlive the sort.
  ElementSort(const Rule& rule, const SortContext& context);
  ~ElementSort();
  // About how much text is to come (before the first text): a text of more
  // than 4 GB is held in the 64-bit form from the start.
  void expect(std::uint64_t bytes);
  void append(std::string_view text);
  // Takes the last lines and orders them; the counts.
  SortCounts finish();
  // The lines in their new order, piece by piece (after finish()).
  void write(const TextSink& out);

 private:
  void walk(bool final);
  void spill();
  void startRun(std::string_view greatest, bool hasGreatest, std::uint64_t firstIndex, bool wide);

  const Rule& rule_;
  const SortContext& context_;
  BudgetShare share_;
  std::uint64_t expected_ = 0;
  std::unique_ptr<HeldLines> held_;
  std::vector<std::shared_ptr<Spool>> runs_;  // the runs put aside, in input order
  SortCounts counts_;                         // of the runs put aside
  std::uint64_t linesPutAside_ = 0;
};

}  // namespace strovel
