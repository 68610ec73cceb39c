// SortDistinct: its lines gathered as they come, with their distinct keys
// in a hash table; at the end the distinct keys are sorted and the lines
// without an element merged in behind the greatest key placed before them.
// Beyond the sort's budget the gathered lines go into runs on disk, which
// are merged at the end.
#include "engine/sort_distinct.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/gatherer.h"
#include "engine/reordered_lines.h"
#include "engine/sort_budget.h"

namespace strovel {
namespace {

// A line that stays: its segment and key copied into the run's store, and
// how often its key (or its emptiness) occurred.
struct Entry {
  std::size_t line;
  std::size_t start;  // the segment in the store
  std::size_t length;
  std::uint64_t count;
  std::size_t keyAt;  // distinct keys: the key in the store; others: empty
  std::size_t keyLength;
  std::size_t greatest;  // lines without a key: the greatest key before them (see below)
};

// Entry::greatest of a line without a key when the greatest key before it
// was in an earlier run (npos: there was none).
constexpr std::size_t kEarlier = npos - 1;

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

 public:
  std::uint64_t bytes() const { return slots_.capacity() * sizeof(std::size_t); }
};

// The lines one run keeps, and their order.
class DistinctRun {
 public:
  // `earlier`: the greatest key of the runs before, empty for none.
  explicit DistinctRun(std::string earlier)
      : earlier_(std::move(earlier)), greatest_(earlier_.empty() ? npos : kEarlier) {}

  // A line with a key; false when the key is here already (counted then).
  bool addKeyed(std::size_t line, std::string_view segment, std::string_view key) {
    const std::size_t id =
        table_.findOrAdd(key, keyed_.size(), [&](std::size_t n) { return keyOf(keyed_[n]); });
    if (id != npos) {
      ++keyed_[id].count;
      return false;
    }
    keyed_.push_back(keep(line, segment, key));
    if (greatest_ == npos || key > greatestKey()) greatest_ = keyed_.size() - 1;
    return true;
  }
  void addKeyless(std::size_t line, std::string_view segment) {
    keyless_.push_back(keep(line, segment, {}));
  }

  std::uint64_t heldBytes() const {
    return store_.capacity() + (keyed_.capacity() + keyless_.capacity()) * sizeof(Entry) +
           table_.bytes();
  }
  std::uint64_t keptBytes() const { return keptBytes_; }
  std::uint64_t entries() const { return keyed_.size() + keyless_.size(); }
  std::string_view greatestKey() const {
    if (greatest_ == kEarlier) return earlier_;
    return greatest_ == npos ? std::string_view() : keyOf(keyed_[greatest_]);
  }

  // The distinct keys in order; each line without an element goes right
  // behind the greatest key placed before it, that is, before the first key
  // greater than that one.
  void order() {
    std::vector<std::size_t> byKey(keyed_.size());
    for (std::size_t id = 0; id < byKey.size(); ++id) byKey[id] = id;
    std::sort(byKey.begin(), byKey.end(),
              [&](std::size_t x, std::size_t y) { return keyOf(keyed_[x]) < keyOf(keyed_[y]); });
    std::vector<std::size_t> rank(keyed_.size());
    for (std::size_t p = 0; p < byKey.size(); ++p) rank[byKey[p]] = p;
    const std::size_t earlierRank = static_cast<std::size_t>(
        std::upper_bound(
            byKey.begin(), byKey.end(), std::string_view(earlier_),
            [&](std::string_view key, std::size_t id) { return key < keyOf(keyed_[id]); }) -
        byKey.begin());
    const auto limit = [&](const Entry& entry) {
      if (entry.greatest == npos) return std::size_t{0};
      return entry.greatest == kEarlier ? earlierRank : rank[entry.greatest] + 1;
    };
    order_.reserve(keyed_.size() + keyless_.size());
    std::size_t next = 0;
    for (std::size_t p = 0; p <= byKey.size(); ++p) {
      for (; next < keyless_.size() && limit(keyless_[next]) <= p; ++next)
        order_.push_back(&keyless_[next]);
      if (p < byKey.size()) order_.push_back(&keyed_[byKey[p]]);
    }
  }
  const std::vector<const Entry*>& ordered() const { return order_; }
  std::string_view segmentOf(const Entry& entry) const {
    return std::string_view(store_).substr(entry.start, entry.length);
  }
  std::string_view keyOf(const Entry& entry) const {
    return std::string_view(store_).substr(entry.keyAt, entry.keyLength);
  }
  // The ordered entries as records, for a run or a merge.
  LineRecord record(const Entry& entry) const {
    LineRecord record;
    record.index = entry.line;
    record.segment = segmentOf(entry);
    record.count = entry.count;
    if (&entry >= keyed_.data() && &entry < keyed_.data() + keyed_.size()) {
      record.place = Place::Keyed;
      record.key = keyOf(entry);
    } else if (entry.greatest == npos) {
      record.place = Place::Start;
    } else {
      record.place = Place::After;
      record.key =
          entry.greatest == kEarlier ? std::string_view(earlier_) : keyOf(keyed_[entry.greatest]);
    }
    return record;
  }

 private:
  Entry keep(std::size_t line, std::string_view segment, std::string_view key) {
    Entry entry{line, store_.size(), segment.size(), 1, 0, key.size(), greatest_};
    keptBytes_ += segment.size();
    store_.append(segment);
    entry.keyAt = store_.size();
    store_.append(key);
    return entry;
  }

  std::string earlier_;
  std::string store_;
  std::vector<Entry> keyed_;    // the first line of each distinct key
  std::vector<Entry> keyless_;  // every line without an element
  KeyTable table_;
  std::size_t greatest_;  // the keyed entry with the greatest key, kEarlier, or npos
  std::uint64_t keptBytes_ = 0;
  std::vector<const Entry*> order_;  // the kept lines in order, once ordered
};

}  // namespace

// All lines a SortDistinct keeps: the front entry, the run in memory, and
// the runs put aside.
class DistinctLines {
 public:
  explicit DistinctLines(const SortContext& sorts)
      : sorts_(sorts), share_(sorts.budget), run_(std::make_unique<DistinctRun>(std::string())) {}

  void add(std::string_view segment, LineKind kind, std::string_view key);
  // Checks the memory held after a walk; beyond the budget, a run goes aside.
  void walked() {
    share_.set(run_->heldBytes());
    if (!share_.allows(run_->heldBytes() + 1) && run_->entries() > 0) spill();
  }
  void finish(DistinctCounts& counts, std::shared_ptr<const ElementReport>& report);
  void write(const TextSink& out, RunProgress* progress);
  std::uint64_t keptBytes() const { return keptBytes_ + run_->keptBytes(); }

 private:
  // The list's front entry: a line with an empty key, or a line without an
  // element that came before any key (an empty key meets it as a duplicate).
  struct Front {
    std::string segment;
    std::size_t line;
    std::uint64_t count;
  };
  void spill();
  void merge(ReportBuilder& report);
  // Appends a segment to the kept text in list order, whole lines kept.
  void putInOrder(Gatherer& out, std::string_view segment, std::size_t line);

  const SortContext& sorts_;
  BudgetShare share_;
  std::unique_ptr<DistinctRun> run_;
  std::optional<Front> front_;
  bool anyKeyed_ = false;
  std::size_t lines_ = 0;
  DistinctCounts counts_;
  std::uint64_t keptBytes_ = 0;               // of the runs put aside
  std::vector<std::shared_ptr<Spool>> runs_;  // the runs put aside, in input order
  std::shared_ptr<Spool> ordered_;            // with runs: the kept text in order
  bool anyInOrder_ = false;
};

void DistinctLines::add(std::string_view segment, LineKind kind, std::string_view key) {
  const std::size_t line = lines_++;
  switch (kind) {
    case LineKind::Keyed:
      anyKeyed_ = true;
      ++(run_->addKeyed(line, segment, key) ? counts_.kept : counts_.removed);
      return;
    case LineKind::Keyless:
      if (!front_ && !anyKeyed_) {
        front_ = Front{std::string(segment), line, 1};
        return;
      }
      run_->addKeyless(line, segment);
      return;
    case LineKind::EmptyKey:
      if (front_) {
        ++front_->count;
        ++counts_.removed;
      } else {
        front_ = Front{std::string(segment), line, 1};
        ++counts_.kept;
      }
      return;
  }
}

// The run's lines, in order, go aside; the next run starts behind their
// greatest key.
void DistinctLines::spill() {
  run_->order();
  std::shared_ptr<Spool> spool = sorts_.files.createScratch();
  if (!spool) throw SpillFailed{};
  RunWriter writer(*spool, true);
  for (const Entry* entry : run_->ordered()) writer.add(run_->record(*entry));
  writer.finish();
  runs_.push_back(std::move(spool));
  keptBytes_ += run_->keptBytes();
  std::string greatest(run_->greatestKey());
  run_.reset();
  run_ = std::make_unique<DistinctRun>(std::move(greatest));
  share_.set(run_->heldBytes());
}

void DistinctLines::finish(DistinctCounts& counts, std::shared_ptr<const ElementReport>& report) {
  run_->order();
  ReportBuilder builder(sorts_);
  if (front_) builder.add({}, front_->count);
  if (runs_.empty()) {
    for (const Entry* entry : run_->ordered()) builder.add(run_->keyOf(*entry), entry->count);
  } else {
    merge(builder);
  }
  report = builder.finish();
  counts = counts_;
}

// The runs and the run in memory merged into the kept text in order, which
// goes into a spool; equal keys of different runs become one entry (the
// first line stays), each further one counted as a duplicate.
void DistinctLines::merge(ReportBuilder& report) {
  ordered_ = sorts_.files.createScratch();
  if (!ordered_) throw SpillFailed{};
  const TextSink toSpool = [&](std::string_view piece) {
    if (!ordered_->write(piece)) throw SpillFailed{};
  };
  Gatherer out(toSpool);
  if (front_) putInOrder(out, front_->segment, front_->line);
  std::vector<std::unique_ptr<RunSource>> sources;
  const std::size_t buffer = sorts_.readBuffer(runs_.size() + 1);
  for (const std::shared_ptr<Spool>& run : runs_) sources.push_back(readRun(run, true, buffer));
  struct Held : RunSource {
    explicit Held(const DistinctRun& run) : run(run) {}
    bool next(LineRecord& record) override {
      if (n == run.ordered().size()) return false;
      record = run.record(*run.ordered()[n++]);
      return true;
    }
    const DistinctRun& run;
    std::size_t n = 0;
  };
  sources.push_back(std::make_unique<Held>(*run_));
  std::string groupKey;  // the key of the last keyed entry
  std::uint64_t groupCount = 0;
  bool inGroup = false;
  const auto closeGroup = [&] {
    if (inGroup) report.add(groupKey, groupCount);
    inGroup = false;
  };
  mergeRuns(std::move(sources), earliestFirst, true, sorts_.fanIn, buffer, sorts_.files, lines_,
            &sorts_.progress, [&](const LineRecord& entry) {
              if (entry.place == Place::Keyed && inGroup && entry.key == groupKey) {
                groupCount += entry.count;
                --counts_.kept;
                ++counts_.removed;
                return;
              }
              closeGroup();
              putInOrder(out, entry.segment, entry.index);
              if (entry.place != Place::Keyed) return report.add({}, entry.count);
              groupKey.assign(entry.key);
              groupCount = entry.count;
              inGroup = true;
            });
  closeGroup();
  out.flush();
}

void DistinctLines::putInOrder(Gatherer& out, std::string_view segment, std::size_t line) {
  if (!anyInOrder_ && line != 0) segment.remove_prefix(1);
  if (anyInOrder_ && line == 0) out.lineBreak();
  out.add(segment);
  anyInOrder_ = true;
}

void DistinctLines::write(const TextSink& out, RunProgress* progress) {
  if (ordered_) {
    ProgressTicker ticker(progress, RunPhase::Writing, ordered_->size());
    std::string buffer(1 << 20, '\0');
    for (std::uint64_t at = 0; at < ordered_->size();) {
      ticker.at(at);
      const std::int64_t got = ordered_->read(at, buffer.data(), buffer.size());
      if (got <= 0) throw SpillFailed{};
      out(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
      at += static_cast<std::uint64_t>(got);
    }
    return;
  }
  const std::vector<const Entry*>& order = run_->ordered();
  const std::size_t fronts = front_ ? 1 : 0;
  writeReordered(
      fronts + order.size(),
      [&](std::size_t n) {
        if (n < fronts) return std::pair(std::string_view(front_->segment), front_->line == 0);
        const Entry& entry = *order[n - fronts];
        return std::pair(run_->segmentOf(entry), entry.line == 0);
      },
      out, progress);
}

StreamSortDistinct::StreamSortDistinct(const Rule& rule, TextSink sink, const SortContext& sorts,
                                       std::size_t window)
    : StreamingAction(std::move(sink), window),
      rule_(rule),
      lines_(std::make_unique<DistinctLines>(sorts)) {}

StreamSortDistinct::~StreamSortDistinct() = default;

void StreamSortDistinct::write(RunProgress* progress) { lines_->write(sink_, progress); }

std::uint64_t StreamSortDistinct::keptBytes() const { return lines_->keptBytes(); }

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
        lines_->add(in.substr(s, e - s), key.kind, in.substr(key.keyAt, key.keyLength));
        return lf;
      });
  window_.consume(stop == npos ? in.size() : stop);
  lines_->walked();
  if (final) lines_->finish(counts_, report_);
}

}  // namespace strovel
