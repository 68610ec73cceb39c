// The line walk of SortByElement, on one thread or in two halves at once,
// and the merge of the lines without an element into the keyed order.
#include "engine/line_table.h"

#include <algorithm>
#include <utility>

#include "engine/two_threads.h"

namespace strovel {

LineTable::LineTable(std::string_view text, const Rule& rule, std::size_t twoThreadsFrom,
                     RunProgress* progress)
    : text_(text), twoThreadsFrom_(twoThreadsFrom) {
  walk(rule, progress);
}

KeyOrder LineTable::sortedKeyed() {
  std::vector<SortRecord> records = std::move(records_);
  std::reverse(records.begin(), records.end());
  return sortKeys(std::move(records), text_, {lines_.data(), lines_.size()}, twoThreadsFrom_);
}

void LineTable::mergeKeyless(const KeyOrder& keyed, std::vector<std::size_t>& order) const {
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
      if (line.kind() != LineKind::Keyless) continue;
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

std::vector<std::size_t> LineTable::takeStarts() {
  std::vector<std::size_t> starts(lines_.size() + 1);
  for (std::size_t i = 0; i < lines_.size(); ++i) starts[i] = lines_[i].start;
  starts.back() = segmentsEnd_;
  decltype(lines_)().swap(lines_);
  return starts;
}

// A line break near the middle of the text, where a text large enough for
// two threads is split, or npos.
std::size_t LineTable::middleLine() const {
  if (text_.size() < 2) return npos;
  return findByte(text_, '\n', std::max<std::size_t>(text_.size() / 2, 1));
}

// Records every line, and the sort record of every keyed one with its
// first eight key bytes. Of two halves walked at once, the second half's
// lines without an element then learn the greatest key of the first half.
void LineTable::walk(const Rule& rule, RunProgress* progress) {
  std::size_t middle = middleLine();
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
  // Progress comes from the calling thread's half.
  runBeside([&] { walkHalf(rule, progress, 0, middle, 0, records_, first); },
            [&] { walkHalf(rule, nullptr, middle, npos, firstHalf, records, second); });
  records_.insert(records_.end(), records.begin(), records.end());
  segmentsEnd_ = second.segmentsEnd;
  const std::size_t g = first.greatest;
  if (g == npos) return;
  for (std::size_t i = firstHalf; i < lines_.size(); ++i) {
    Line& line = lines_[i];
    if (line.kind() == LineKind::Keyless && (line.keyAt == npos || !(key(line.keyAt) > key(g))))
      line.keyAt = g;
  }
}

// Walks the lines starting in [from, to) into lines_ from index `first` on.
void LineTable::walkHalf(const Rule& rule, RunProgress* progress, std::size_t from, std::size_t to,
                         std::size_t first, std::vector<SortRecord>& records, Half& half) {
  std::size_t i = first;
  std::size_t greatest = npos;  // line with the greatest non-empty key so far
  walkLineKeys(
      text_, rule, progress, from, to, [&](std::size_t s, std::size_t e, const LineKey& key) {
        const bool keyed = key.kind == LineKind::Keyed;
        lines_[i] = {s, key.kind == LineKind::Keyless ? greatest : key.keyAt, key.keyLength,
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
std::size_t LineTable::countLineBreaks(std::size_t from, std::size_t to) const {
  const std::string_view part = text_.substr(0, std::min(to, text_.size()));
  std::size_t count = 0;
  for (std::size_t at = findByte(part, '\n', from); at != npos; at = findByte(part, '\n', at + 1))
    ++count;
  return count;
}

}  // namespace strovel
