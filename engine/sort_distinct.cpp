// SortDistinct: its lines gathered as they come, with their distinct keys
// in a hash table; at the end the distinct keys are sorted and the lines
// without an element merged in behind the greatest key placed before them.
#include "engine/sort_distinct.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "engine/reordered_lines.h"

namespace strovel {
namespace {

// SortDistinct needs no order among equal keys, only the distinct keys:
// they are gathered in a hash table as the lines come, and only they are
// sorted. Each entry is a line that stays (its segment and key copied into
// one store), with how often its key (or its emptiness) occurred.
struct Entry {
  std::size_t line;
  std::size_t start;  // the segment in the store
  std::size_t length;
  std::uint64_t count;
  std::size_t keyAt;  // distinct keys: the key in the store; others: empty
  std::size_t keyLength;
  std::size_t greatest;  // lines without a key: the distinct key placed last before them
};

// Distinct keys by number, found by open addressing; keyOf(number) gives a
// number's key.
class KeyTable {
 public:
  // The number of key, or npos when it is new (and then takes number `next`).
  template <typename KeyOf>
  std::size_t findOrAdd(std::string_view key, std::size_t next, const KeyOf& keyOf) {
    if (2 * (next + 1) > slots_.size()) grow(keyOf);
    for (std::size_t at = hash(key) & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
      if (slots_[at] == 0) {
        slots_[at] = next + 1;
        return npos;
      }
      if (keyOf(slots_[at] - 1) == key) return slots_[at] - 1;
    }
  }

 private:
  static std::size_t hash(std::string_view key) { return std::hash<std::string_view>{}(key); }
  template <typename KeyOf>
  void grow(const KeyOf& keyOf) {
    std::vector<std::size_t> old(std::max<std::size_t>(64, 2 * slots_.size()), 0);
    old.swap(slots_);
    for (std::size_t id : old) {
      if (id == 0) continue;
      std::size_t at = hash(keyOf(id - 1)) & (slots_.size() - 1);
      while (slots_[at] != 0) at = (at + 1) & (slots_.size() - 1);
      slots_[at] = id;
    }
  }
  std::vector<std::size_t> slots_;  // a key's number + 1; 0 is free
};

}  // namespace

struct DistinctLines::State {
  std::string store;
  std::vector<Entry> keyed;    // the first line of each distinct key
  std::vector<Entry> keyless;  // every line without an element
  std::optional<Entry> front;  // the kept line with an empty key
  KeyTable table;
  std::size_t greatest = npos;
  // An empty key meets the list's front entry: a duplicate when that
  // entry's key is empty too (a line without an element placed before any
  // keyed line, or an earlier empty key), otherwise it becomes the front.
  std::size_t emptyFrontKeyless = npos;
  std::size_t lines = 0;
  std::uint64_t keptBytes = 0;  // about the size of the result
  DistinctCounts counts;
  std::vector<const Entry*> order;  // the kept lines in order, once finished

  std::string_view key(const Entry& entry) const {
    return std::string_view(store).substr(entry.keyAt, entry.keyLength);
  }
  Entry keep(std::size_t line, std::string_view segment, std::string_view key) {
    Entry entry{line, store.size(), segment.size(), 1, 0, key.size(), greatest};
    keptBytes += segment.size();
    store.append(segment);
    entry.keyAt = store.size();
    store.append(key);
    return entry;
  }
};

DistinctLines::DistinctLines() : state_(std::make_unique<State>()) {}
DistinctLines::~DistinctLines() = default;

void DistinctLines::add(std::string_view segment, LineKind kind, std::string_view key) {
  State& st = *state_;
  const std::size_t line = st.lines++;
  switch (kind) {
    case LineKind::Keyed: {
      const std::size_t id = st.table.findOrAdd(key, st.keyed.size(),
                                                [&](std::size_t n) { return st.key(st.keyed[n]); });
      if (id != npos) {
        ++st.keyed[id].count;
        ++st.counts.removed;
        return;
      }
      st.keyed.push_back(st.keep(line, segment, key));
      ++st.counts.kept;
      if (st.greatest == npos || key > st.key(st.keyed[st.greatest]))
        st.greatest = st.keyed.size() - 1;
      return;
    }
    case LineKind::Keyless:
      st.keyless.push_back(st.keep(line, segment, {}));
      if (st.emptyFrontKeyless == npos && !st.front && st.keyed.empty())
        st.emptyFrontKeyless = st.keyless.size() - 1;
      return;
    case LineKind::EmptyKey:
      if (st.front || st.emptyFrontKeyless != npos) {
        ++(st.front ? st.front->count : st.keyless[st.emptyFrontKeyless].count);
        ++st.counts.removed;
      } else {
        st.front = st.keep(line, segment, {});
        ++st.counts.kept;
      }
      return;
  }
}

DistinctCounts DistinctLines::finish(std::vector<ElementCount>& report) {
  State& st = *state_;
  // The distinct keys in order; each line without an element goes right
  // behind the greatest key placed before it.
  std::vector<std::size_t> byKey(st.keyed.size());
  for (std::size_t id = 0; id < byKey.size(); ++id) byKey[id] = id;
  std::sort(byKey.begin(), byKey.end(), [&](std::size_t x, std::size_t y) {
    return st.key(st.keyed[x]) < st.key(st.keyed[y]);
  });
  std::vector<std::size_t> rank(st.keyed.size());
  for (std::size_t p = 0; p < byKey.size(); ++p) rank[byKey[p]] = p;
  std::vector<const Entry*>& order = st.order;
  order.reserve(st.keyed.size() + st.keyless.size() + 1);
  if (st.front) order.push_back(&*st.front);
  std::size_t next = 0;
  for (std::size_t p = 0; p <= byKey.size(); ++p) {
    for (; next < st.keyless.size(); ++next) {
      const std::size_t g = st.keyless[next].greatest;
      if (p < byKey.size() && g != npos && rank[g] >= p) break;
      order.push_back(&st.keyless[next]);
    }
    if (p < byKey.size()) order.push_back(&st.keyed[byKey[p]]);
  }

  // Report: highest count first; equal counts, the later list entry first.
  std::vector<const Entry*> byCount(order.rbegin(), order.rend());
  std::stable_sort(byCount.begin(), byCount.end(),
                   [](const Entry* x, const Entry* y) { return x->count > y->count; });
  report.clear();
  report.reserve(byCount.size());
  for (const Entry* entry : byCount) report.push_back({std::string(st.key(*entry)), entry->count});
  return st.counts;
}

std::uint64_t DistinctLines::keptBytes() const { return state_->keptBytes; }

void DistinctLines::write(const TextSink& out, RunProgress* progress) const {
  const State& st = *state_;
  const std::vector<const Entry*>& order = st.order;
  writeReordered(
      order.size(),
      [&](std::size_t n) {
        const Entry& entry = *order[n];
        return std::pair(std::string_view(st.store).substr(entry.start, entry.length),
                         entry.line == 0);
      },
      out, progress);
}

StreamSortDistinct::StreamSortDistinct(const Rule& rule, TextSink sink, std::size_t window)
    : StreamingAction(std::move(sink), window), rule_(rule) {}

// The line walk on the window, which starts at a line start. Unless final,
// it stops at a line whose markers and key the window may not hold whole.
// The final walk puts the kept lines in order.
void StreamSortDistinct::walk(bool final) {
  const std::string_view in = window_.text();
  // What a line's key needs lies within its end plus this: a Pattern2 that
  // is not searched sits right behind Pattern1, and the key, as long as
  // Pattern1, follows it.
  const std::size_t margin = 2 * rule_.Pattern1.size() + rule_.Pattern2.size() + 2;
  MarkerFinders finders(in, rule_);
  const std::size_t stop =
      walkDecidedLines(in, margin, final, [&](std::size_t s, std::size_t e, std::size_t lf) {
        const LineKey key = lineKey(finders, rule_, in, s, e);
        lines_.add(in.substr(s, e - s), key.kind, in.substr(key.keyAt, key.keyLength));
        return lf;
      });
  window_.consume(stop == npos ? in.size() : stop);
  if (final) counts_ = lines_.finish(report_);
}

}  // namespace strovel
