// Sorting by element in O(n log n). The walk records every line's segment
// and key; the keyed lines are then sorted, and the lines without an
// element are merged in behind the greatest key that was placed before
// them (see sorting.h for why that reproduces the one-by-one placing).
//
// SortByElement sorts the keyed lines by a stable radix sort on eight key
// bytes at a time, loaded as one big-endian number (so numbers order as the
// bytes do), with the key length as the last digit: keys of at most eight
// bytes are then in their final order, and only groups of longer keys that
// share their eight bytes go on to the next eight. Being stable, the sort
// keeps equal keys newest first without comparing them. SortDistinct needs
// only the distinct keys: it gathers them in a hash table during the walk
// and sorts just those.
#include "engine/sorting.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "engine/gatherer.h"
#include "engine/line_keys.h"
#include "engine/two_threads.h"

namespace strovel {
namespace {

struct Line {
  std::size_t start;
  // Keyed lines: where the key begins in the text. Keyless lines: the line
  // holding the greatest key placed before this one, or npos.
  std::size_t keyAt;
  std::size_t keyLength : 62;
  std::size_t kindBits : 2;
  Kind kind() const { return static_cast<Kind>(kindBits); }
};

// Allocates like std::allocator but leaves elements made without
// arguments uninitialised, so that a table sized ahead is first touched by
// the threads that fill it.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <typename U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) {}
  template <typename U>
  void construct(U* p) {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using LineVector = std::vector<Line, UninitialisedAllocator<Line>>;

// A keyed line in the radix sort: eight of its key bytes and its line.
struct SortRecord {
  std::uint64_t bytes;
  std::size_t line : 56;
  std::size_t digit : 8;  // the length digit at the current offset
};

// Key bytes [offset, offset + 8) as a big-endian number, zeros past the end.
std::uint64_t eightBytes(std::string_view key, std::size_t offset) {
  unsigned char b[8] = {};
  if (key.size() > offset)
    std::memcpy(b, key.data() + offset, std::min<std::size_t>(8, key.size() - offset));
  std::uint64_t v;
  std::memcpy(&v, b, 8);
  if constexpr (std::endian::native == std::endian::little) return __builtin_bswap64(v);
  return v;
}

// The length digit: how many key bytes lie past offset, 9 standing for more than eight.
unsigned lengthDigit(std::size_t keyLength, std::size_t offset) {
  const std::size_t rest = keyLength > offset ? keyLength - offset : 0;
  return rest > 8 ? 9 : static_cast<unsigned>(rest);
}

class LineTable {
 public:
  LineTable(std::string_view text, const Rule& rule, const Progress& progress,
            std::size_t twoThreadsFrom)
      : text_(text), twoThreadsFrom_(twoThreadsFrom) {
    walk(rule, progress);
  }

  std::string_view key(std::size_t i) const {
    return text_.substr(lines_[i].keyAt, lines_[i].keyLength);
  }
  std::size_t size() const { return lines_.size(); }
  const Line& operator[](std::size_t i) const { return lines_[i]; }

  // Keyed lines with non-empty keys, by key; equal keys newest first.
  // same[p] tells whether entry p has the key of entry p - 1.
  struct Sorted {
    std::vector<std::size_t> order;
    std::vector<unsigned char> same;
  };
  Sorted sortedKeyed() {
    std::vector<SortRecord> records = std::move(records_);
    std::reverse(records.begin(), records.end());
    Sorted sorted;
    sorted.same.resize(records.size());
    {
      const std::unique_ptr<SortRecord[]> spare(new SortRecord[records.size()]);
      if (records.size() >= std::max<std::size_t>(twoThreadsFrom_, 2))
        sortInTwo(records.data(), spare.get(), sorted.same.data(), records.size());
      else
        sortRecords(records.data(), spare.get(), sorted.same.data(), records.size(), 0);
    }
    sorted.order.resize(records.size());
    for (std::size_t n = 0; n < records.size(); ++n) sorted.order[n] = records[n].line;
    return sorted;
  }

  // Merges the keyless lines (in input order) into the sorted keyed lines:
  // each keyless line goes before the first keyed line whose key exceeds the
  // greatest key placed before it, that is, right behind the run of equal
  // keys that holds the line with that greatest key.
  void mergeKeyless(const Sorted& keyed, std::vector<std::size_t>& order) const {
    std::vector<std::size_t> rank(lines_.size());
    for (std::size_t p = 0; p < keyed.order.size(); ++p) rank[keyed.order[p]] = p;
    order.reserve(lines_.size());
    std::size_t nextKeyless = 0;
    std::size_t runOf = npos;  // the greatest-key line whose run end is known
    std::size_t runEnd = 0;
    // Emits the keyless lines due before sorted entry p (all when p is npos).
    auto emitKeylessBefore = [&](std::size_t p) {
      for (; nextKeyless < lines_.size(); ++nextKeyless) {
        const Line& line = lines_[nextKeyless];
        if (line.kind() != Kind::Keyless) continue;
        if (p != npos && line.keyAt != npos) {
          if (runOf != line.keyAt) {
            runOf = line.keyAt;
            runEnd = rank[runOf] + 1;
            while (runEnd < keyed.same.size() && keyed.same[runEnd]) ++runEnd;
          }
          if (p < runEnd) return;
        }
        order.push_back(nextKeyless);
      }
    };
    for (std::size_t p = 0; p < keyed.order.size(); ++p) {
      emitKeylessBefore(p);
      order.push_back(keyed.order[p]);
    }
    emitKeylessBefore(npos);
  }

  // The line starts, and the end of the last line; the table is emptied,
  // so that it does not take room beside what comes next.
  std::vector<std::size_t> takeStarts() {
    std::vector<std::size_t> starts(lines_.size() + 1);
    for (std::size_t i = 0; i < lines_.size(); ++i) starts[i] = lines_[i].start;
    starts.back() = segmentsEnd_;
    LineVector().swap(lines_);
    return starts;
  }

 private:
  // Orders two records by key (-1, 0, 1) as long as their first eight key
  // bytes are loaded: equal bytes and a length digit below 9 end a key.
  int compare(const SortRecord& x, const SortRecord& y) const {
    if (x.bytes != y.bytes) return x.bytes < y.bytes ? -1 : 1;
    if (x.digit != 9 || y.digit != 9) return x.digit < y.digit ? -1 : x.digit > y.digit ? 1 : 0;
    const int c = key(x.line).substr(8).compare(key(y.line).substr(8));
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }

  // sortRecords on two threads: a stable split around a pivot key (the
  // median of a sample) into the keys below it, those equal to it and those
  // above it; the first and the last part are sorted at once, the middle
  // one is in order already. The parts follow one another, so the result
  // is exactly that of sorting all n records stably.
  void sortInTwo(SortRecord* r, SortRecord* spare, unsigned char* same, std::size_t n) const {
    std::vector<SortRecord> sample;
    const std::size_t samples = std::min<std::size_t>(n, 101);
    for (std::size_t k = 0; k < samples; ++k) sample.push_back(r[k * n / samples]);
    std::sort(sample.begin(), sample.end(),
              [&](const SortRecord& x, const SortRecord& y) { return compare(x, y) < 0; });
    const SortRecord pivot = sample[samples / 2];
    // Each record's side (its comparison with the pivot), then the stable split into spare.
    std::vector<signed char> side(n);
    std::size_t below = 0, equal = 0;
    for (std::size_t i = 0; i < n; ++i) {
      side[i] = static_cast<signed char>(compare(r[i], pivot));
      below += side[i] < 0;
      equal += side[i] == 0;
    }
    std::size_t at[3] = {0, below, below + equal};
    for (std::size_t i = 0; i < n; ++i) spare[at[side[i] + 1]++] = r[i];
    const std::size_t above = below + equal;
    runBeside([&] { sortRecords(spare, r, same, below, 0); },
              [&] { sortRecords(spare + above, r + above, same + above, n - above, 0); });
    for (std::size_t i = below; i < above; ++i) same[i] = i > below;
    std::copy(spare, spare + n, r);
  }

  // Sorts r[0, n) stably by key bytes from offset on and marks in same[]
  // the entries equal to the one before; spare has room for n.
  void sortRecords(SortRecord* r, SortRecord* spare, unsigned char* same, std::size_t n,
                   std::size_t offset) const {
    auto rest = [&](const SortRecord& x) {
      return key(x.line).substr(std::min(offset, lines_[x.line].keyLength));
    };
    if (n < 32) {
      std::stable_sort(r, r + n,
                       [&](const SortRecord& x, const SortRecord& y) { return rest(x) < rest(y); });
      for (std::size_t i = 0; i < n; ++i) same[i] = i > 0 && rest(r[i]) == rest(r[i - 1]);
      return;
    }
    // Digit 0 is the length digit, digits 1..8 the bytes from the lowest.
    std::array<std::array<std::size_t, 256>, 9> counts{};
    for (std::size_t i = 0; i < n; ++i) {
      if (offset > 0) {  // the walk has prepared the first eight bytes
        r[i].bytes = eightBytes(key(r[i].line), offset);
        r[i].digit = lengthDigit(lines_[r[i].line].keyLength, offset);
      }
      ++counts[0][r[i].digit];
      for (unsigned d = 0; d < 8; ++d) ++counts[d + 1][(r[i].bytes >> (8 * d)) & 0xFF];
    }
    SortRecord* from = r;
    SortRecord* to = spare;
    for (unsigned d = 0; d < 9; ++d) {
      std::array<std::size_t, 256>& count = counts[d];
      if (std::find(count.begin(), count.end(), n) != count.end()) continue;  // all alike
      std::size_t sum = 0;
      for (std::size_t& c : count) sum += std::exchange(c, sum);
      for (std::size_t i = 0; i < n; ++i) {
        const unsigned digit = d == 0 ? from[i].digit : (from[i].bytes >> (8 * (d - 1))) & 0xFF;
        to[count[digit]++] = from[i];
      }
      std::swap(from, to);
    }
    if (from != r) std::copy(from, from + n, r);
    // Equal bytes and a length digit below 9 make equal keys; longer keys
    // that share these eight bytes go on with the next eight.
    for (std::size_t i = 0; i < n;) {
      std::size_t j = i + 1;
      while (j < n && r[j].bytes == r[i].bytes) ++j;
      for (std::size_t k = i; k < j; ++k) {
        const unsigned digit = r[k].digit;
        if (digit == 9) {
          sortRecords(r + k, spare, same + k, j - k, offset + 8);
          same[k] = false;
          break;
        }
        same[k] = k > i && digit == r[k - 1].digit;
      }
      i = j;
    }
  }

  // Records every line, and the sort record of every keyed one with its
  // first eight key bytes, taken while the line is in the cache. A large
  // text is walked in two halves at once, split at a line break; the
  // second half's lines without an element then learn the greatest key of
  // the first half.
  void walk(const Rule& rule, const Progress& progress) {
    std::size_t middle = text_.size() >= 2
                             ? findByte(text_, '\n', std::max<std::size_t>(text_.size() / 2, 1))
                             : npos;
    // Lines start at 0 and at every line break after the first byte. A text
    // large enough for two threads has its halves counted at once.
    std::size_t firstHalf = 1, secondHalf = 0;
    const auto countFirst = [&] { firstHalf = 1 + countLineBreaks(1, middle); };
    const auto countSecond = [&] {
      if (middle != npos) secondHalf = countLineBreaks(middle, text_.size());
    };
    if (middle != npos && text_.size() / 64 >= twoThreadsFrom_) {
      runBeside(countFirst, countSecond);  // some 64 bytes a line at the least to pay
    } else {
      countFirst();
      countSecond();
    }
    if (text_.empty() || firstHalf + secondHalf < std::max<std::size_t>(twoThreadsFrom_, 2) ||
        secondHalf == 0) {
      middle = npos;
    }
    lines_.resize(text_.empty() ? 0 : firstHalf + secondHalf);
    Half first{0, npos};
    if (middle == npos) {
      records_.reserve(lines_.size());  // untouched room costs no memory
      walkHalf(rule, progress, 0, npos, 0, records_, first);
      segmentsEnd_ = first.segmentsEnd;
      return;
    }
    records_.reserve(firstHalf);
    std::vector<SortRecord> records;
    records.reserve(secondHalf);
    Half second{0, npos};
    runBeside([&] { walkHalf(rule, progress, 0, middle, 0, records_, first); },
              [&] { walkHalf(rule, {}, middle, npos, firstHalf, records, second); });
    records_.insert(records_.end(), records.begin(), records.end());
    segmentsEnd_ = second.segmentsEnd;
    const std::size_t g = first.greatest;
    if (g == npos) return;
    for (std::size_t i = firstHalf; i < lines_.size(); ++i) {
      Line& line = lines_[i];
      if (line.kind() == Kind::Keyless && (line.keyAt == npos || !(key(line.keyAt) > key(g))))
        line.keyAt = g;
    }
  }

  // What the walk of a half leaves: the end of its last line, and its line
  // with the greatest non-empty key (the first such line), or npos.
  struct Half {
    std::size_t segmentsEnd;
    std::size_t greatest;
  };

  // Walks the lines starting in [from, to) into lines_ from index `first` on.
  void walkHalf(const Rule& rule, const Progress& progress, std::size_t from, std::size_t to,
                std::size_t first, std::vector<SortRecord>& records, Half& half) {
    std::size_t i = first;
    std::size_t greatest = npos;  // line with the greatest non-empty key so far
    walkLineKeys(
        text_, rule, progress, from, to, [&](std::size_t s, std::size_t e, const LineKey& key) {
          const bool keyed = key.kind == Kind::Keyed;
          lines_[i] = {s, key.kind == Kind::Keyless ? greatest : key.keyAt, key.keyLength,
                       static_cast<std::size_t>(key.kind)};
          if (keyed) {
            records.push_back({eightBytes(this->key(i), 0), i, lengthDigit(key.keyLength, 0)});
            if (greatest == npos || this->key(i) > this->key(greatest)) greatest = i;
          }
          half.segmentsEnd = e;
          ++i;
        });
    half.greatest = greatest;
  }

  // The line breaks in [from, to).
  std::size_t countLineBreaks(std::size_t from, std::size_t to) const {
    const std::string_view part = text_.substr(0, std::min(to, text_.size()));
    std::size_t count = 0;
    for (std::size_t at = findByte(part, '\n', from); at != npos; at = findByte(part, '\n', at + 1))
      ++count;
    return count;
  }

  std::string_view text_;
  LineVector lines_;
  std::vector<SortRecord> records_;  // the keyed lines, until sortedKeyed() takes them
  std::size_t segmentsEnd_ = 0;
  std::size_t twoThreadsFrom_;  // lines (or keyed lines) from which two threads share the work
};

}  // namespace

SortedLines sortLinesByElement(std::string_view text, const Rule& rule, const Progress& progress,
                               std::size_t twoThreadsFrom) {
  LineTable lines(text, rule, progress, twoThreadsFrom);
  SortCounts counts;
  std::vector<std::size_t> order;
  // Lines with an empty key each went to the very front.
  for (std::size_t i = lines.size(); i-- > 0;)
    if (lines[i].kind() == Kind::EmptyKey) order.push_back(i);
  lines.mergeKeyless(lines.sortedKeyed(), order);
  for (std::size_t i = 0; i < lines.size(); ++i)
    ++(lines[i].kind() == Kind::Keyless ? counts.second : counts.first);
  return SortedLines(text, lines.takeStarts(), std::move(order), counts);
}

// The segments in order. When the first line moves, it gets a LF in front
// and the new first segment loses its own, so lines stay whole.
void SortedLines::write(const TextSink& out) const {
  constexpr std::size_t kAhead = 16;  // segments fetched ahead of the copy
  Gatherer gathered(out);
  for (std::size_t n = 0; n < order_.size(); ++n) {
    if (n + kAhead < order_.size()) __builtin_prefetch(text_.data() + starts_[order_[n + kAhead]]);
    const std::size_t i = order_[n];
    std::string_view segment = text_.substr(starts_[i], starts_[i + 1] - starts_[i]);
    if (n == 0 && i != 0) segment.remove_prefix(1);
    if (n != 0 && i == 0) gathered.lineBreak();
    gathered.add(segment);
  }
}

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
  SortCounts counts;
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
DistinctLines::DistinctLines(DistinctLines&&) noexcept = default;
DistinctLines& DistinctLines::operator=(DistinctLines&&) noexcept = default;
DistinctLines::~DistinctLines() = default;

void DistinctLines::add(std::string_view segment, int kind, std::string_view key) {
  State& st = *state_;
  const std::size_t line = st.lines++;
  switch (static_cast<Kind>(kind)) {
    case Kind::Keyed: {
      const std::size_t id = st.table.findOrAdd(key, st.keyed.size(),
                                                [&](std::size_t n) { return st.key(st.keyed[n]); });
      if (id != npos) {
        ++st.keyed[id].count;
        ++st.counts.second;
        return;
      }
      st.keyed.push_back(st.keep(line, segment, key));
      ++st.counts.first;
      if (st.greatest == npos || key > st.key(st.keyed[st.greatest]))
        st.greatest = st.keyed.size() - 1;
      return;
    }
    case Kind::Keyless:
      st.keyless.push_back(st.keep(line, segment, {}));
      if (st.emptyFrontKeyless == npos && !st.front && st.keyed.empty())
        st.emptyFrontKeyless = st.keyless.size() - 1;
      return;
    case Kind::EmptyKey:
      if (st.front || st.emptyFrontKeyless != npos) {
        ++(st.front ? st.front->count : st.keyless[st.emptyFrontKeyless].count);
        ++st.counts.second;
      } else {
        st.front = st.keep(line, segment, {});
        ++st.counts.first;
      }
      return;
  }
}

SortCounts DistinctLines::finish(std::vector<ElementCount>& report) {
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

// The segments in order. When the first line moves, it gets a LF in front
// and the new first segment loses its own.
void DistinctLines::write(const TextSink& out) const {
  const State& st = *state_;
  const std::vector<const Entry*>& order = st.order;
  Gatherer gathered(out);
  for (std::size_t n = 0; n < order.size(); ++n) {
    std::string_view segment = std::string_view(st.store).substr(order[n]->start, order[n]->length);
    if (n == 0 && order[n]->line != 0) segment.remove_prefix(1);
    if (n != 0 && order[n]->line == 0) gathered.lineBreak();
    gathered.add(segment);
  }
}

StreamSortDistinct::StreamSortDistinct(const Rule& rule, std::size_t window)
    : rule_(rule), window_(window) {}

void StreamSortDistinct::append(std::string_view text) {
  if (window_.append(text)) walk(false);
}

SortCounts StreamSortDistinct::finish(std::vector<ElementCount>& report) {
  walk(true);
  return lines_.finish(report);
}

void StreamSortDistinct::write(const TextSink& out) const { lines_.write(out); }

// The line walk on the window, which starts at a line start. Unless final,
// it stops at a line whose markers and key the window may not hold whole.
void StreamSortDistinct::walk(bool final) {
  const std::string_view in = window_.text();
  // What a line's key needs lies within its end plus this: a Pattern2 that
  // is not searched sits right behind Pattern1, and the key, as long as
  // Pattern1, follows it.
  const std::size_t margin = 2 * rule_.Pattern1.size() + rule_.Pattern2.size() + 2;
  const std::size_t lastLf = in.rfind('\n');
  MarkerFinders finders(in, rule_);
  std::size_t s = 0;
  for (;;) {
    const std::size_t lf = findByte(in, '\n', s + 1);
    if (!final && (lf == npos || lastLf == npos || lf + margin > lastLf)) break;
    const std::size_t e = lf != npos ? lf : in.size();
    if (e == s) break;
    const LineKey key = lineKey(finders, rule_, in, s, e);
    lines_.add(in.substr(s, e - s), static_cast<int>(key.kind),
               in.substr(key.keyAt, key.keyLength));
    if (lf == npos) {
      s = in.size();
      break;
    }
    s = lf;
  }
  window_.consume(s);
}

}  // namespace strovel
