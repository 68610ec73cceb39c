// SortDistinct: the order of SortByElement (see sort_by_element.h), but
// only the first line of each key stays; the others are counted against
// it. A line without an element always stays; an empty key meets the
// list's front entry and is a duplicate when that entry's key is empty too.
// The element report lists every kept entry with how often its key
// occurred, highest count first, equal counts in reverse list order.
//
// Only the distinct keys need an order, so they are gathered in a hash
// table as the lines come, each with a copy of the line that stays, and
// only they are sorted at the end. When what is gathered passes the sort's
// budget, it is sorted and put aside as a run; at the end the runs are
// merged, the equal keys of different runs becoming one entry.
//
//   StreamSortDistinct distinct(rule /* "[", "]" */, sink, sorts);
//   distinct.append("x[b]\ny[a]\nz[b]");
//   distinct.finish();
//   distinct.counts();  // {2 kept, 1 removed}; distinct.report(): b] 2, a] 1
//   distinct.write();   // "y[a]\nx[b]" to the sink
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/element_report.h"
#include "engine/line_keys.h"
#include "engine/run_summary.h"
#include "engine/sort_context.h"
#include "engine/streaming_action.h"
#include "patterns/rule.h"

namespace strovel {

class DistinctLines;

// SortDistinct on a text that arrives in pieces: a line is decided once the
// text reaches the next line break but one with room for the markers. After
// finish(), the counts and the report are known and write() passes the kept
// lines on in order.
class StreamSortDistinct : public StreamingAction {
 public:
  // The rule and the sorts' context must outlive the action.
  StreamSortDistinct(const Rule& rule, TextSink sink, const SortContext& sorts,
                     std::size_t window = 1 << 20);
  ~StreamSortDistinct() override;
  const DistinctCounts& counts() const { return counts_; }
  std::shared_ptr<const ElementReport> report() const { return report_; }
  void write(RunProgress* progress = nullptr);
  // About the size of what write() gives.
  std::uint64_t keptBytes() const;

 private:
  void walk(bool final) override;

  Rule rule_;
  std::unique_ptr<DistinctLines> lines_;
  DistinctCounts counts_;
  std::shared_ptr<const ElementReport> report_;
};

}  // namespace strovel
