// The radix sort of keyed lines, on one thread or split between two.
#include "engine/key_sort.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <utility>

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

class RecordSorter {
 public:
  RecordSorter(std::string_view text, std::span<const Line> lines) : text_(text), lines_(lines) {}

  std::string_view key(std::size_t i) const {
    return text_.substr(lines_[i].keyAt, lines_[i].keyLength);
  }

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
      return key(x.line).substr(std::min<std::size_t>(offset, lines_[x.line].keyLength));
    };
    if (n < 32) {
      std::stable_sort(r, r + n,
                       [&](const SortRecord& x, const SortRecord& y) { return rest(x) < rest(y); });
      for (std::size_t i = 0; i < n; ++i) same[i] = i > 0 && rest(r[i]) == rest(r[i - 1]);
      return;
    }
    radixPasses(r, spare, n, offset);
    markEqualKeys(r, spare, same, n, offset);
  }

 private:
  // The nine stable counting passes over r[0, n): the length digit, then
  // the eight bytes from the lowest. A pass whose digit is alike everywhere
  // is skipped.
  void radixPasses(SortRecord* r, SortRecord* spare, std::size_t n, std::size_t offset) const {
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
  }

  // Equal bytes and a length digit below 9 make equal keys; longer keys
  // that share these eight bytes go on with the next eight.
  void markEqualKeys(SortRecord* r, SortRecord* spare, unsigned char* same, std::size_t n,
                     std::size_t offset) const {
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

  std::string_view text_;
  std::span<const Line> lines_;
};

}  // namespace

KeyOrder sortKeys(std::vector<SortRecord> records, std::string_view text,
                  std::span<const Line> lines, std::size_t twoThreadsFrom) {
  const RecordSorter sorter(text, lines);
  KeyOrder sorted;
  sorted.same.resize(records.size());
  {
    const std::unique_ptr<SortRecord[]> spare(new SortRecord[records.size()]);
    if (records.size() >= std::max<std::size_t>(twoThreadsFrom, 2))
      sorter.sortInTwo(records.data(), spare.get(), sorted.same.data(), records.size());
    else
      sorter.sortRecords(records.data(), spare.get(), sorted.same.data(), records.size(), 0);
  }
  sorted.order.resize(records.size());
  for (std::size_t n = 0; n < records.size(); ++n) sorted.order[n] = records[n].line;
  return sorted;
}

}  // namespace strovel
