// Sorting by element in O(n log n). The walk records every line's segment
// and key; the keyed lines are then sorted, and the lines without an
// element are merged in behind the greatest key that was placed before
// them (see sorting.h for why that reproduces the one-by-one placing).
#include "engine/sorting.h"

#include <algorithm>
#include <string_view>

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
  // reversed when newestFirst.
  std::vector<std::size_t> sortedKeyed(bool newestFirst) const {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].kind == Kind::Keyed) order.push_back(i);
    std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
      const int c = key(x).compare(key(y));
      if (c != 0) return c < 0;
      return newestFirst ? x > y : x < y;
    });
    return order;
  }

  // Merges the keyless lines (in input order) into the sorted keyed lines:
  // each goes before the first keyed line whose key exceeds the greatest
  // key placed before it.
  std::vector<std::size_t> mergeKeyless(const std::vector<std::size_t>& keyed) const {
    std::vector<std::size_t> order;
    order.reserve(lines_.size());
    std::size_t nextKeyless = 0;
    auto emitKeylessBefore = [&](const std::string_view* keyOfNext) {
      for (; nextKeyless < lines_.size(); ++nextKeyless) {
        const Line& line = lines_[nextKeyless];
        if (line.kind != Kind::Keyless) continue;
        if (keyOfNext && line.keyAt != npos && key(line.keyAt) >= *keyOfNext) return;
        order.push_back(nextKeyless);
      }
    };
    for (std::size_t i : keyed) {
      const std::string_view k = key(i);
      emitKeylessBefore(&k);
      order.push_back(i);
    }
    emitKeylessBefore(nullptr);
    return order;
  }

  // The segments in the given order. When the first line moves, it gets a
  // LF in front and the new first segment loses its own, so lines stay whole.
  std::string assemble(const std::vector<std::size_t>& order) const {
    std::string result;
    result.reserve(text_.size() + 1);
    for (std::size_t n = 0; n < order.size(); ++n) {
      std::string_view segment = this->segment(order[n]);
      if (n == 0 && order[n] != 0) segment.remove_prefix(1);
      if (n != 0 && order[n] == 0) result.push_back('\n');
      result.append(segment);
    }
    return result;
  }

 private:
  std::string_view segment(std::size_t i) const {
    const std::size_t end = i + 1 < lines_.size() ? lines_[i + 1].start : segmentsEnd_;
    return text_.substr(lines_[i].start, end - lines_[i].start);
  }

  void walk(const Rule& rule, const Progress& progress) {
    MarkerFinders finders(text_, rule);
    std::size_t greatest = npos;  // line with the greatest non-empty key so far
    std::uint64_t keyedSoFar = 0;
    for (std::size_t s = 0;;) {
      const std::size_t lf = findByte(text_, '\n', s + 1);
      const std::size_t e = lf != npos ? lf : text_.size();
      if (e == s) break;
      if (keyedSoFar % 10 == 0 && progress) progress(s);
      Line line{s, greatest, 0, Kind::Keyless};
      if (const std::optional<Element> element = locateElement(finders, rule, s, e)) {
        const std::size_t keyAt = std::min(element->a + rule.Pattern1.size(), text_.size());
        line.keyAt = keyAt;
        line.keyLength = std::min(element->b - element->a, text_.size() - keyAt);
        line.kind = line.keyLength == 0 ? Kind::EmptyKey : Kind::Keyed;
        ++keyedSoFar;
      }
      lines_.push_back(line);
      if (line.kind == Kind::Keyed && (greatest == npos || key(lines_.size() - 1) > key(greatest)))
        greatest = lines_.size() - 1;
      segmentsEnd_ = e;
      if (lf == npos) break;
      s = lf;
    }
  }

  std::string_view text_;
  std::vector<Line> lines_;
  std::size_t segmentsEnd_ = 0;
};

}  // namespace

SortCounts sortByElement(std::string& text, const Rule& rule, const Progress& progress) {
  const LineTable lines(text, rule, progress);
  SortCounts counts;
  std::vector<std::size_t> order;
  // Lines with an empty key each went to the very front.
  for (std::size_t i = lines.size(); i-- > 0;)
    if (lines[i].kind == Kind::EmptyKey) order.push_back(i);
  const std::vector<std::size_t> rest = lines.mergeKeyless(lines.sortedKeyed(true));
  order.insert(order.end(), rest.begin(), rest.end());
  for (std::size_t i = 0; i < lines.size(); ++i)
    ++(lines[i].kind == Kind::Keyless ? counts.second : counts.first);
  if (!order.empty()) text = lines.assemble(order);
  return counts;
}

SortCounts sortDistinct(std::string& text, const Rule& rule, const Progress& progress,
                        std::vector<ElementCount>& report) {
  const LineTable lines(text, rule, progress);
  SortCounts counts;
  std::vector<std::uint64_t> occurrences(lines.size(), 1);

  // The first keyed line of each key stays; the others count for it.
  std::vector<std::size_t> kept;
  const std::vector<std::size_t> keyed = lines.sortedKeyed(false);
  for (std::size_t n = 0; n < keyed.size(); ++n) {
    if (n > 0 && lines.key(keyed[n]) == lines.key(keyed[n - 1])) {
      ++occurrences[kept.back()];
      ++counts.second;
    } else {
      kept.push_back(keyed[n]);
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
  const std::vector<std::size_t> rest = lines.mergeKeyless(kept);
  order.insert(order.end(), rest.begin(), rest.end());

  // Report: highest count first; equal counts, the later list entry first.
  std::vector<std::size_t> byCount(order.rbegin(), order.rend());
  std::stable_sort(byCount.begin(), byCount.end(),
                   [&](std::size_t x, std::size_t y) { return occurrences[x] > occurrences[y]; });
  report.clear();
  report.reserve(byCount.size());
  for (std::size_t i : byCount) {
    const bool hasKey = lines[i].kind == Kind::Keyed;
    report.push_back({hasKey ? std::string(lines.key(i)) : std::string(), occurrences[i]});
  }
  // Last: the keys above are views into the old text.
  if (!order.empty()) text = lines.assemble(order);
  return counts;
}

}  // namespace strovel
