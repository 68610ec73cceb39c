// Sorting by element in O(n log n). The walk records every line's segment
// and key; the keyed lines are then sorted, and the lines without an
// element are merged in behind the greatest key that was placed before
// them (see sorting.h for why that reproduces the one-by-one placing).
//
// The keyed lines are sorted by a stable radix sort on eight key bytes at a
// time, loaded as one big-endian number (so numbers order as the bytes do),
// with the key length as the last digit: keys of at most eight bytes are
// then in their final order, and only groups of longer keys that share
// their eight bytes go on to the next eight. Being stable, the sort keeps
// input order (or its reverse) among equal keys without comparing them.
#include "engine/sorting.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <utility>

#include "engine/replace_between.h"
#include "engine/text_search.h"

namespace strovel {
namespace {

enum class Kind : unsigned char { Keyless, EmptyKey, Keyed };

struct Line {
  std::size_t start;
  // Keyed lines: where the key begins in the text. Keyless lines: the line
  // holding the greatest key placed before this one, or npos.
  std::size_t keyAt;
  std::size_t keyLength;
  Kind kind;
};

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
  std::uint64_t v = 0;
  for (unsigned char c : b) v = v << 8 | c;
  return v;
}

// The length digit: how many key bytes lie past offset, 9 standing for more than eight.
unsigned lengthDigit(std::size_t keyLength, std::size_t offset) {
  const std::size_t rest = keyLength > offset ? keyLength - offset : 0;
  return rest > 8 ? 9 : static_cast<unsigned>(rest);
}

class LineTable {
 public:
  LineTable(std::string_view text, const Rule& rule, const Progress& progress) : text_(text) {
    walk(rule, progress);
  }

  std::string_view key(std::size_t i) const {
    return text_.substr(lines_[i].keyAt, lines_[i].keyLength);
  }
  std::size_t size() const { return lines_.size(); }
  const Line& operator[](std::size_t i) const { return lines_[i]; }

  // Keyed lines with non-empty keys, by key; equal keys by input order,
  // reversed when newestFirst. same[p] tells whether entry p has the key of
  // entry p - 1.
  struct Sorted {
    std::vector<std::size_t> order;
    std::vector<unsigned char> same;
  };
  Sorted sortedKeyed(bool newestFirst) const {
    std::vector<SortRecord> records;
    records.reserve(keyedLines_);
    for (std::size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].kind == Kind::Keyed) records.push_back({0, i, 0});
    if (newestFirst) std::reverse(records.begin(), records.end());
    Sorted sorted;
    sorted.same.resize(records.size());
    {
      std::vector<SortRecord> spare(records.size());
      sortRecords(records.data(), spare.data(), sorted.same.data(), records.size(), 0);
    }
    sorted.order.resize(records.size());
    for (std::size_t n = 0; n < records.size(); ++n) sorted.order[n] = records[n].line;
    return sorted;
  }

  // Merges the keyless lines (in input order) into the sorted keyed lines,
  // leaving out the entries that repeat a key unless keepRepeats: each
  // keyless line goes before the first keyed line whose key exceeds the
  // greatest key placed before it, that is, right behind the run of equal
  // keys that holds the line with that greatest key.
  void mergeKeyless(const Sorted& keyed, bool keepRepeats, std::vector<std::size_t>& order) const {
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
        if (line.kind != Kind::Keyless) continue;
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
      if (!keepRepeats && keyed.same[p]) continue;
      emitKeylessBefore(p);
      order.push_back(keyed.order[p]);
    }
    emitKeylessBefore(npos);
  }

  // The segments in the given order. When the first line moves, it gets a
  // LF in front and the new first segment loses its own, so lines stay
  // whole. The table is emptied first (only the line starts are kept), so
  // that it does not take room beside the new text.
  std::string assembleAndClear(const std::vector<std::size_t>& order) {
    std::vector<std::size_t> starts(lines_.size() + 1);
    for (std::size_t i = 0; i < lines_.size(); ++i) starts[i] = lines_[i].start;
    starts.back() = segmentsEnd_;
    std::vector<Line>().swap(lines_);
    std::string result;
    result.reserve(text_.size() + 1);
    constexpr std::size_t kAhead = 16;  // segments fetched ahead of the copy
    for (std::size_t n = 0; n < order.size(); ++n) {
      if (n + kAhead < order.size()) __builtin_prefetch(text_.data() + starts[order[n + kAhead]]);
      const std::size_t i = order[n];
      std::string_view segment = text_.substr(starts[i], starts[i + 1] - starts[i]);
      if (n == 0 && i != 0) segment.remove_prefix(1);
      if (n != 0 && i == 0) result.push_back('\n');
      result.append(segment);
    }
    return result;
  }

 private:
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
      r[i].bytes = eightBytes(key(r[i].line), offset);
      r[i].digit = lengthDigit(lines_[r[i].line].keyLength, offset);
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

  void walk(const Rule& rule, const Progress& progress) {
    MarkerFinders finders(text_, rule);
    lines_.reserve(countLineBreaks() + 1);
    std::size_t greatest = npos;  // line with the greatest non-empty key so far
    ProgressTicker ticker(progress, text_.size());
    for (std::size_t s = 0;;) {
      const std::size_t lf = findByte(text_, '\n', s + 1);
      const std::size_t e = lf != npos ? lf : text_.size();
      if (e == s) break;
      ticker.at(s);
      Line line{s, greatest, 0, Kind::Keyless};
      if (const std::optional<Element> element = locateElement(finders, rule, s, e)) {
        const std::size_t keyAt = std::min(element->a + rule.Pattern1.size(), text_.size());
        line.keyAt = keyAt;
        line.keyLength = std::min(element->b - element->a, text_.size() - keyAt);
        line.kind = line.keyLength == 0 ? Kind::EmptyKey : Kind::Keyed;
      }
      lines_.push_back(line);
      if (line.kind == Kind::Keyed) ++keyedLines_;
      if (line.kind == Kind::Keyed && (greatest == npos || key(lines_.size() - 1) > key(greatest)))
        greatest = lines_.size() - 1;
      segmentsEnd_ = e;
      if (lf == npos) break;
      s = lf;
    }
  }

  std::string_view text_;
  std::size_t countLineBreaks() const {
    std::size_t count = 0;
    for (std::size_t at = findByte(text_, '\n', 0); at != npos; at = findByte(text_, '\n', at + 1))
      ++count;
    return count;
  }

  std::vector<Line> lines_;
  std::size_t keyedLines_ = 0;
  std::size_t segmentsEnd_ = 0;
};

}  // namespace

SortCounts sortByElement(std::string& text, const Rule& rule, const Progress& progress) {
  LineTable lines(text, rule, progress);
  SortCounts counts;
  std::vector<std::size_t> order;
  // Lines with an empty key each went to the very front.
  for (std::size_t i = lines.size(); i-- > 0;)
    if (lines[i].kind == Kind::EmptyKey) order.push_back(i);
  lines.mergeKeyless(lines.sortedKeyed(true), true, order);
  for (std::size_t i = 0; i < lines.size(); ++i)
    ++(lines[i].kind == Kind::Keyless ? counts.second : counts.first);
  if (!order.empty()) text = lines.assembleAndClear(order);
  return counts;
}

SortCounts sortDistinct(std::string& text, const Rule& rule, const Progress& progress,
                        std::vector<ElementCount>& report) {
  LineTable lines(text, rule, progress);
  SortCounts counts;
  std::vector<std::uint64_t> occurrences(lines.size(), 1);

  // The first keyed line of each key stays; the others count for it.
  LineTable::Sorted keyed = lines.sortedKeyed(false);
  std::size_t kept = npos;
  for (std::size_t n = 0; n < keyed.order.size(); ++n) {
    if (keyed.same[n]) {
      ++occurrences[kept];
      ++counts.second;
    } else {
      kept = keyed.order[n];
      ++counts.first;
    }
  }

  // An empty key meets the list's front entry: a duplicate when that entry's
  // key is empty too (a line without an element placed before any keyed
  // line, or an earlier empty key), otherwise it becomes the front entry.
  std::size_t emptyFront = npos;
  std::size_t frontEntry = npos;  // the kept empty-key line, if any
  bool keyedSeen = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    switch (lines[i].kind) {
      case Kind::Keyed:
        keyedSeen = true;
        break;
      case Kind::Keyless:
        if (emptyFront == npos && !keyedSeen) emptyFront = i;
        break;
      case Kind::EmptyKey:
        if (emptyFront != npos) {
          ++occurrences[emptyFront];
          ++counts.second;
        } else {
          emptyFront = frontEntry = i;
          ++counts.first;
        }
        break;
    }
  }

  std::vector<std::size_t> order;
  if (frontEntry != npos) order.push_back(frontEntry);
  lines.mergeKeyless(keyed, false, order);
  keyed = {};

  // Report: highest count first; equal counts, the later list entry first.
  {
    std::vector<std::size_t> byCount(order.rbegin(), order.rend());
    std::stable_sort(byCount.begin(), byCount.end(),
                     [&](std::size_t x, std::size_t y) { return occurrences[x] > occurrences[y]; });
    report.clear();
    report.reserve(byCount.size());
    for (std::size_t i : byCount) {
      const bool hasKey = lines[i].kind == Kind::Keyed;
      report.push_back({hasKey ? std::string(lines.key(i)) : std::string(), occurrences[i]});
    }
  }
  std::vector<std::uint64_t>().swap(occurrences);
  // Last: the keys above are views into the old text.
  if (!order.empty()) text = lines.assembleAndClear(order);
  return counts;
}

}  // namespace strovel
