// The preview's rows against what they must show, on many random pairs of
// texts, lined up or, as after a sort, side by side: every line of each
// side exactly once and in order, equal lines in the rows that claim so,
// and a change listed where each block of changes begins; and the changed
// bytes of two changed lines, the words that differ.
#include "preview/alignment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace strovel {
namespace {

// The line with its changed ranges in braces.
std::string marked(std::string line, const std::vector<ByteRange>& ranges) {
  for (auto range = ranges.rbegin(); range != ranges.rend(); ++range)
    line.insert(range->to, "}").insert(range->from, "{");
  return line;
}

TEST(AlignmentTest, RowsAndChangedBytesShowBothTextsWhole) {
  std::mt19937 random(7);
  const auto text = [&random](const char* last) {  // a last line without its line break
    static const char* const lines[] = {"a\n", "b\n", "c\n", "\n", "d e\n", "a b\n"};
    std::string text;
    for (int n = int(random() % 31); n > 0; --n) text += lines[random() % 6];
    return random() % 2 ? text + last : text;
  };
  for (int i = 0; i < 1000; ++i) {
    const std::string before = text("a"), after = text("b");
    const TextLines left(before), right(after);
    const bool aligned = i % 2;  // else a sort's rows, line i beside line i
    const Alignment rows = aligned ? Alignment::fromDiff(diffLines(before, after, 0), left, right)
                                   : Alignment::unaligned(left.count(), right.count());
    std::size_t nextLeft = 0, nextRight = 0;
    for (std::size_t r = 0; r < rows.rows(); ++r) {
      const Alignment::Row row = rows.row(r);
      const bool same = row.kind == Alignment::Kind::Same;
      // Blocks of changes may touch (a change of line count between them),
      // so every start found is one, and there may be more.
      const bool starts = !same && (r == 0 || rows.row(r - 1).kind == Alignment::Kind::Same);
      ASSERT_TRUE((row.left || row.right) && row.left.value_or(nextLeft) == nextLeft &&
                  row.right.value_or(nextRight) == nextRight &&
                  (row.kind == Alignment::Kind::Unaligned) != aligned &&
                  (!same || (left.line(*row.left) == right.line(*row.right) &&
                             left.lacksNewline(*row.left) == right.lacksNewline(*row.right))) &&
                  (!starts || !aligned || rows.previousChange(r + 1) == r))
          << testing::PrintToString(before) << " / " << testing::PrintToString(after) << " " << r;
      nextLeft += row.left.has_value(), nextRight += row.right.has_value();
    }
    EXPECT_EQ(std::pair(nextLeft, nextRight), std::pair(left.count(), right.count()));
    EXPECT_EQ(rows.changes().empty(), !aligned || before == after);
  }
  // A changed line stands beside a line like it (at least half alike), never
  // beside an unlike one.
  for (const auto& [after, kinds] :
       {std::pair{"a b c d\nkeep\n", "CS"}, {"a zzzzz\nkeep\n", "RAS"}}) {
    const TextLines left("a b c x\nkeep\n"), right(after);
    const Alignment rows = Alignment::fromDiff(diffLines("a b c x\nkeep\n", after, 0), left, right);
    std::string shown;
    for (std::size_t r = 0; r < rows.rows(); ++r) shown += "SCRAU"[int(rows.row(r).kind)];
    EXPECT_EQ(shown, kinds) << after;
  }
  const LineChanges mask = lineChanges("[auth] ERROR user=bob x", "[auth]  user=*** x", true);
  EXPECT_EQ(marked("[auth] ERROR user=bob x", mask.before), "[auth] {ERROR} user={bob} x");
  EXPECT_EQ(marked("[auth]  user=*** x", mask.after), "[auth]  user={***} x");
}

}  // namespace
}  // namespace strovel
