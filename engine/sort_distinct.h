// SortDistinct: the order of SortByElement (see sort_by_element.h), but
// only the first line of each key stays; the others are counted against
// it. A line without an element always stays; an empty key meets the
// list's front entry and is a duplicate when that entry's key is empty too.
// The element report lists every kept entry with how often its key
// occurred, highest count first, equal counts in reverse list order.
//
// Only the distinct keys need an order, so they are gathered in a hash
// table as the lines come, each with a copy of the line that stays, and
// only they are sorted at the end.
//
//   StreamSortDistinct distinct(rule /* "[", "]" */, sink);
//   distinct.append("x[b]\ny[a]\nz[b]");
//   distinct.finish();
//   distinct.counts();  // {2 kept, 1 removed}; distinct.report(): b] 2, a] 1
//   distinct.write();   // "y[a]\nx[b]" to the sink
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/line_keys.h"
#include "engine/run_summary.h"
#include "engine/streaming_action.h"
#include "patterns/rule.h"

namespace strovel {

// The lines SortDistinct keeps, gathered line by line and put in order at
// the end.
class DistinctLines {
 public:
  DistinctLines();
  ~DistinctLines();
  // The next line: its segment, its kind, and its key when it has one.
  void add(std::string_view segment, LineKind kind, std::string_view key);
  // Puts the kept lines in order; the counts and the report.
  DistinctCounts finish(std::vector<ElementCount>& report);
  // The kept lines in order (after finish()), piece by piece.
  void write(const TextSink& out, RunProgress* progress) const;
  // About the size of what write() gives.
  std::uint64_t keptBytes() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// SortDistinct on a text that arrives in pieces: a line is decided once the
// text reaches the next line break but one with room for the markers. After
// finish(), the counts and the report are known and write() passes the kept
// lines on in order.
class StreamSortDistinct : public StreamingAction {
 public:
  StreamSortDistinct(const Rule& rule, TextSink sink, std::size_t window = 1 << 20);
  const DistinctCounts& counts() const { return counts_; }
  const std::vector<ElementCount>& report() const { return report_; }
  void write(RunProgress* progress = nullptr) const { lines_.write(sink_, progress); }
  std::uint64_t keptBytes() const { return lines_.keptBytes(); }

 private:
  void walk(bool final) override;

  Rule rule_;
  DistinctLines lines_;
  DistinctCounts counts_;
  std::vector<ElementCount> report_;
};

}  // namespace strovel
