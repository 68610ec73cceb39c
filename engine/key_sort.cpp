// The in-place radix sort of key records (American flag sort: each digit's
// buckets are counted, then the records are swapped into them along
// cycles), on one thread or, after the first split, on two.
#include "engine/key_sort.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "engine/two_threads.h"

namespace strovel {

std::uint64_t eightBytes(std::string_view key, std::size_t offset) {
  unsigned char b[8] = {};
  if (key.size() > offset)
    std::memcpy(b, key.data() + offset, std::min<std::size_t>(8, key.size() - offset));
  std::uint64_t v;
  std::memcpy(&v, b, 8);
  if constexpr (std::endian::native == std::endian::little) return __builtin_bswap64(v);
  return v;
}

unsigned lengthDigit(std::size_t keyLength, std::size_t offset) {
  const std::size_t rest = keyLength > offset ? keyLength - offset : 0;
  return rest > 8 ? 9 : static_cast<unsigned>(rest);
}

namespace {

constexpr std::size_t kSmall = 32;  // below this, insertion sort
constexpr unsigned kDigits = 9;     // eight key bytes, then the length digit

template <typename Offset>
class RecordSorter {
 public:
  using Record = KeyRecord<Offset>;
  explicit RecordSorter(const LineKeys& keys) : keys_(keys) {}

  // Sorts r[0, n) whose digits above `level` are alike, by key bytes from
  // `offset` on.
  void sort(Record* r, std::size_t n, unsigned level, std::size_t offset) const {
    while (n >= kSmall) {
      if (level == kDigits) return sortAlike(r, n, offset);
      std::array<std::size_t, 256> count{};
      for (std::size_t i = 0; i < n; ++i) ++count[digit(r[i], level)];
      if (std::find(count.begin(), count.end(), n) == count.end()) {
        distribute(r, n, level, count);
        for (std::size_t b = 0, at = 0; b < 256; at += count[b++])
          if (count[b] > 1) sort(r + at, count[b], level + 1, offset);
        return;
      }
      ++level;  // one bucket holds them all
    }
    insertionSort(r, n, offset);
  }

  // The first split of a large sort, and the buckets shared between this
  // thread (which hears the progress hook) and a second one.
  void sortInTwo(Record* r, std::size_t n, RunProgress* progress) const {
    unsigned level = 0;
    std::array<std::size_t, 256> count{};
    for (; level < kDigits; ++level) {
      count.fill(0);
      for (std::size_t i = 0; i < n; ++i) ++count[digit(r[i], level)];
      if (std::find(count.begin(), count.end(), n) == count.end()) break;
    }
    if (level == kDigits) return sortAlike(r, n, 0);
    distribute(r, n, level, count);
    // The buckets up to about half the records go to this thread.
    std::size_t middle = 0, split = 0;
    while (split < 256 && middle + count[split] <= n / 2) middle += count[split++];
    const auto buckets = [&](std::size_t from, std::size_t to, std::size_t at, bool reports) {
      for (std::size_t b = from; b < to; at += count[b++]) {
        if (count[b] > 1) sort(r + at, count[b], level + 1, 0);
        if (reports && progress) progress->checkpoint(RunPhase::Sorting, double(at) / double(n));
      }
    };
    runBeside([&] { buckets(0, split, 0, true); }, [&] { buckets(split, 256, middle, false); });
  }

 private:
  static unsigned digit(const Record& x, unsigned level) {
    return level < 8 ? static_cast<unsigned>(x.prefix >> (56 - 8 * level)) & 0xFF : x.digit();
  }

  // Moves every record into its bucket of `level`, along cycles.
  static void distribute(Record* r, std::size_t n, unsigned level,
                         const std::array<std::size_t, 256>& count) {
    std::array<std::size_t, 256> next{}, end{};
    for (std::size_t b = 0, at = 0; b < 256; ++b) {
      next[b] = at;
      at += count[b];
      end[b] = at;
    }
    (void)n;
    for (unsigned b = 0; b < 256; ++b) {
      while (next[b] < end[b]) {
        Record moving = r[next[b]];
        for (unsigned c = digit(moving, level); c != b; c = digit(moving, level))
          std::swap(moving, r[next[c]++]);
        r[next[b]++] = moving;
      }
    }
  }

  // Records whose nine digits are all alike: their keys are equal when the
  // length digit says they end within these eight bytes; otherwise the next
  // eight bytes decide.
  void sortAlike(Record* r, std::size_t n, std::size_t offset) const {
    if (r[0].digit() != 9) return orderEqualKeys(r, n);
    for (std::size_t i = 0; i < n; ++i) {
      const std::string_view key = keys_.key(r[i].line(), r[i].after());
      r[i].prefix = eightBytes(key, offset + 8);
      r[i].tail =
          static_cast<Offset>((r[i].tail & ~Offset{15}) | lengthDigit(key.size(), offset + 8));
    }
    sort(r, n, 0, offset + 8);
  }

  // Lines of equal keys: those with the key first, the latest of them
  // first, then the lines with no element, in input order.
  static void orderEqualKeys(Record* r, std::size_t n) {
    Record* const after = std::partition(r, r + n, [](const Record& x) { return !x.after(); });
    sortByLine(r, after);
    std::reverse(r, after);
    sortByLine(after, r + n);
  }
  static bool tiesBefore(const Record& x, const Record& y) {
    if (x.after() != y.after()) return !x.after();
    return x.after() ? x.line() < y.line() : x.line() > y.line();
  }

  // Orders records by line: a radix sort on the bytes of the line numbers
  // that differ among them (equal keys are often thousands of lines).
  static void sortByLine(Record* first, Record* last) {
    const std::size_t n = static_cast<std::size_t>(last - first);
    if (n < kSmall) {
      std::sort(first, last, [](const Record& x, const Record& y) { return x.line() < y.line(); });
      return;
    }
    std::uint64_t low = first->line(), high = low;
    for (const Record* x = first; x != last; ++x) {
      low = std::min(low, x->line());
      high = std::max(high, x->line());
    }
    std::vector<Record> spare(n);
    Record* from = first;
    Record* to = spare.data();
    for (unsigned shift = 0; shift < 64 && (high - low) >> shift != 0; shift += 8) {
      std::array<std::size_t, 257> at{};
      for (std::size_t i = 0; i < n; ++i) ++at[((from[i].line() - low) >> shift & 0xFF) + 1];
      for (std::size_t b = 1; b < 257; ++b) at[b] += at[b - 1];
      for (std::size_t i = 0; i < n; ++i)
        to[at[(from[i].line() - low) >> shift & 0xFF]++] = from[i];
      std::swap(from, to);
    }
    if (from != first) std::copy(from, from + n, first);
  }

  // Key bytes from `offset` on decide, then the tie order.
  bool before(const Record& x, const Record& y, std::size_t offset) const {
    if (x.prefix != y.prefix) return x.prefix < y.prefix;
    if (x.digit() != y.digit()) return x.digit() < y.digit();
    if (x.digit() == 9) {
      const int c = keys_.key(x.line(), x.after())
                        .substr(offset + 8)
                        .compare(keys_.key(y.line(), y.after()).substr(offset + 8));
      if (c != 0) return c < 0;
    }
    return tiesBefore(x, y);
  }

  void insertionSort(Record* r, std::size_t n, std::size_t offset) const {
    for (std::size_t i = 1; i < n; ++i) {
      const Record x = r[i];
      std::size_t j = i;
      for (; j > 0 && before(x, r[j - 1], offset); --j) r[j] = r[j - 1];
      r[j] = x;
    }
  }

  const LineKeys& keys_;
};

}  // namespace

template <typename Offset>
void sortKeys(std::span<KeyRecord<Offset>> records, const LineKeys& keys,
              std::size_t twoThreadsFrom, RunProgress* progress) {
  const RecordSorter<Offset> sorter(keys);
  if (records.size() >= std::max<std::size_t>(twoThreadsFrom, kSmall)) {
    sorter.sortInTwo(records.data(), records.size(), progress);
  } else {
    sorter.sort(records.data(), records.size(), 0, 0);
  }
  if (progress) progress->checkpoint(RunPhase::Sorting, 1);
}

template void sortKeys(std::span<KeyRecord<std::uint32_t>>, const LineKeys&, std::size_t,
                       RunProgress*);
template void sortKeys(std::span<KeyRecord<std::uint64_t>>, const LineKeys&, std::size_t,
                       RunProgress*);

}  // namespace strovel
