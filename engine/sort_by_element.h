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
//
//   const std::string text = "q\ny[b]\nz[a]\nw";
//   SortedLines sorted = sortLinesByElement(text, rule /* "[", "]", 1, 1 */);
//   sorted.write(sink);  // "q\nz[a]\ny[b]\nw" in pieces; sorted.counts() == {2, 2}
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/key_sort.h"
#include "engine/run_progress.h"
#include "engine/run_summary.h"
#include "engine/text_sink.h"
#include "patterns/rule.h"

namespace strovel {

// The new order of the lines of a text the result does not own: it is
// written out straight from that text.
class SortedLines {
 public:
  SortedLines(std::string_view text, std::vector<std::size_t> starts,
              std::vector<std::size_t> order, SortCounts counts)
      : text_(text), starts_(std::move(starts)), order_(std::move(order)), counts_(counts) {}
  const SortCounts& counts() const { return counts_; }
  // The sorted text, piece by piece.
  void write(const TextSink& out, RunProgress* progress = nullptr) const;

 private:
  std::string_view text_;
  std::vector<std::size_t> starts_;  // line i is text_[starts_[i], starts_[i + 1])
  std::vector<std::size_t> order_;
  SortCounts counts_;
};

// The order, over a text that must outlive the result. From
// `twoThreadsFrom` lines on, the walk over the lines and the sort of the
// keys each share the work between two threads. The walk's position goes
// to `progress`, when there is one.
SortedLines sortLinesByElement(std::string_view text, const Rule& rule,
                               std::size_t twoThreadsFrom = kSortTwoThreadsFrom,
                               RunProgress* progress = nullptr);

}  // namespace strovel
