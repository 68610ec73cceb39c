// Building the rows from the diff's hunks, and finding a row by binary
// search over the segments.
#include "preview/alignment.h"

#include <algorithm>

#include "preview/line_pairing.h"

namespace strovel {

void Alignment::add(Kind kind, std::size_t left, std::size_t right, std::size_t count) {
  if (count == 0) return;
  if (!segments_.empty()) {
    Segment& last = segments_.back();
    if (last.kind == kind && last.left + last.count == left && last.right + last.count == right) {
      last.count += count;
      rows_ += count;
      return;
    }
  }
  segments_.push_back({rows_, kind, left, right, count});
  rows_ += count;
}

// One block of changes: the lines that resemble each other side by side,
// the rest removed and added in between.
void Alignment::addBlock(const TextLines& leftText, const TextLines& rightText, std::size_t left,
                         std::size_t leftCount, std::size_t right, std::size_t rightCount,
                         const std::atomic<bool>* cancelled) {
  std::size_t i = 0, j = 0;
  for (const auto& [pi, pj] :
       pairLines(leftText, left, leftCount, rightText, right, rightCount, cancelled)) {
    add(Kind::Removed, left + i, 0, pi - i);
    add(Kind::Added, 0, right + j, pj - j);
    add(Kind::Changed, left + pi, right + pj, 1);
    i = pi + 1;
    j = pj + 1;
  }
  add(Kind::Removed, left + i, 0, leftCount - i);
  add(Kind::Added, 0, right + j, rightCount - j);
}

Alignment Alignment::unaligned(std::size_t leftLines, std::size_t rightLines) {
  Alignment a;
  a.leftLines_ = leftLines;
  a.rightLines_ = rightLines;
  a.add(Kind::Unaligned, 0, 0, std::max(leftLines, rightLines));
  return a;
}

Alignment Alignment::fromDiff(const LineDiff& diff, const TextLines& leftText,
                              const TextLines& rightText, const std::atomic<bool>* cancelled) {
  Alignment a;
  const std::size_t leftLines = leftText.count();
  a.leftLines_ = leftLines;
  a.rightLines_ = rightText.count();
  std::size_t left = 0, right = 0;  // the first lines not yet placed
  for (const DiffHunk& hunk : diff.hunks) {
    if (cancelled && cancelled->load(std::memory_order_relaxed)) break;
    // A start names the line before when its count is 0.
    const std::size_t leftStart = hunk.beforeCount > 0 ? hunk.beforeStart - 1 : hunk.beforeStart;
    const std::size_t rightStart = hunk.afterCount > 0 ? hunk.afterStart - 1 : hunk.afterStart;
    a.add(Kind::Same, left, right, leftStart - left);
    a.changes_.push_back(a.rows_);
    a.addBlock(leftText, rightText, leftStart, hunk.beforeCount, rightStart, hunk.afterCount,
               cancelled);
    a.removed_ += hunk.beforeCount;
    a.added_ += hunk.afterCount;
    left = leftStart + hunk.beforeCount;
    right = rightStart + hunk.afterCount;
  }
  a.add(Kind::Same, left, right, leftLines - std::min(left, leftLines));
  return a;
}

Alignment::Row Alignment::row(std::size_t index) const {
  const auto after =
      std::upper_bound(segments_.begin(), segments_.end(), index,
                       [](std::size_t i, const Segment& segment) { return i < segment.firstRow; });
  const Segment& s = *(after - 1);
  const std::size_t offset = index - s.firstRow;
  Row row{s.kind, std::nullopt, std::nullopt};
  if (s.kind != Kind::Added && (s.kind != Kind::Unaligned || offset < leftLines_))
    row.left = s.left + offset;
  if (s.kind != Kind::Removed && (s.kind != Kind::Unaligned || offset < rightLines_))
    row.right = s.right + offset;
  return row;
}

std::optional<std::size_t> Alignment::nextChange(std::size_t row) const {
  const auto next = std::upper_bound(changes_.begin(), changes_.end(), row);
  if (next == changes_.end()) return std::nullopt;
  return *next;
}

std::optional<std::size_t> Alignment::previousChange(std::size_t row) const {
  const auto next = std::lower_bound(changes_.begin(), changes_.end(), row);
  if (next == changes_.begin()) return std::nullopt;
  return *(next - 1);
}

LineChange lineChange(std::string_view before, std::string_view after, bool utf8) {
  const std::size_t shorter = std::min(before.size(), after.size());
  std::size_t prefix = 0;
  while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < shorter - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
    ++suffix;
  if (utf8) {
    // A byte that continues a character; nothing past the end does.
    const auto continues = [](std::string_view text, std::size_t i) {
      return i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    };
    // The change starts at a character's first byte and ends before one.
    while (prefix > 0 && (continues(before, prefix) || continues(after, prefix))) --prefix;
    while (suffix > 0 &&
           (continues(before, before.size() - suffix) || continues(after, after.size() - suffix)))
      --suffix;
  }
  return {prefix, suffix};
}

namespace {

bool wordByte(unsigned char c) {
  return c >= 0x80 || c == '_' || (c >= '0' && c <= '9') ||
         ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

// The words of a line: their starts, and the line as one word per LF-ended
// row, which is what the line diff compares.
struct Words {
  std::vector<std::size_t> starts;
  std::string rows;
};

Words words(std::string_view line) {
  Words w;
  for (std::size_t i = 0; i < line.size();) {
    std::size_t end = i + 1;
    if (wordByte(static_cast<unsigned char>(line[i])))
      while (end < line.size() && wordByte(static_cast<unsigned char>(line[end]))) ++end;
    w.starts.push_back(i);
    w.rows.append(line.substr(i, end - i)).push_back('\n');
    i = end;
  }
  w.starts.push_back(line.size());
  return w;
}

void addRange(std::vector<ByteRange>& ranges, std::size_t from, std::size_t to) {
  if (from >= to) return;
  if (!ranges.empty() && ranges.back().to == from) {
    ranges.back().to = to;
  } else {
    ranges.push_back({from, to});
  }
}

}  // namespace

LineChanges lineChanges(std::string_view before, std::string_view after, bool utf8,
                        std::size_t limit) {
  LineChanges changes;
  if (before.size() > limit || after.size() > limit) {
    const LineChange change = lineChange(before, after, utf8);
    addRange(changes.before, change.prefix, before.size() - change.suffix);
    addRange(changes.after, change.prefix, after.size() - change.suffix);
    return changes;
  }
  const Words left = words(before);
  const Words right = words(after);
  const LineDiff diff = diffLines(left.rows, right.rows, 0);
  for (const DiffHunk& hunk : diff.hunks) {
    for (const DiffLine& line : hunk.lines) {
      if (line.origin == '-')
        addRange(changes.before, left.starts[line.before], left.starts[line.before + 1]);
      if (line.origin == '+')
        addRange(changes.after, right.starts[line.after], right.starts[line.after + 1]);
    }
  }
  return changes;
}

}  // namespace strovel
