// SortByElement from its line table: the keyed lines sorted, the lines
// with an empty key in front, the lines without an element merged in
// behind the greatest key placed before them.
#include "engine/sort_by_element.h"

#include "engine/line_table.h"
#include "engine/reordered_lines.h"

namespace strovel {

SortedLines sortLinesByElement(std::string_view text, const Rule& rule, std::size_t twoThreadsFrom,
                               RunProgress* progress) {
  LineTable lines(text, rule, twoThreadsFrom, progress);
  SortCounts counts;
  std::vector<std::size_t> order;
  // Lines with an empty key each went to the very front.
  for (std::size_t i = lines.size(); i-- > 0;)
    if (lines[i].kind() == LineKind::EmptyKey) order.push_back(i);
  lines.mergeKeyless(lines.sortedKeyed(), order);
  for (std::size_t i = 0; i < lines.size(); ++i)
    ++(lines[i].kind() == LineKind::Keyless ? counts.withoutElement : counts.sorted);
  return SortedLines(text, lines.takeStarts(), std::move(order), counts);
}

void SortedLines::write(const TextSink& out, RunProgress* progress) const {
  constexpr std::size_t kAhead = 16;  // segments fetched ahead of the copy
  writeReordered(
      order_.size(),
      [&](std::size_t n) {
        if (n + kAhead < order_.size())
          __builtin_prefetch(text_.data() + starts_[order_[n + kAhead]]);
        const std::size_t i = order_[n];
        return std::pair(text_.substr(starts_[i], starts_[i + 1] - starts_[i]), i == 0);
      },
      out, progress);
}

}  // namespace strovel
