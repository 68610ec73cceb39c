// The preview's rows against what they must show, on many random pairs of
// texts: every line of each side exactly once and in order, equal lines in
// the rows that claim so, and a change listed where each block of changes
// begins; and the changed bytes of changed lines: the words that differ,
// never cutting a character.
#include "preview/alignment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace strovel {
namespace {

// The line with its changed ranges in braces.
std::string marked(std::string_view line, const std::vector<ByteRange>& ranges) {
  std::string shown;
  std::size_t done = 0;
  for (const ByteRange& range : ranges) {
    shown.append(line.substr(done, range.from - done)) += "{";
    shown.append(line.substr(range.from, range.to - range.from)) += "}";
    done = range.to;
  }
  return shown.append(line.substr(done));
}

TEST(AlignmentTest, RowsAndChangedBytesShowBothTextsWhole) {
  std::mt19937 random(7);
  const auto text = [&random](std::initializer_list<const char*> pieces, int most) {
    std::string text;
    for (int i = 0, n = int(random() % most); i < n; ++i)
      text += pieces.begin()[random() % pieces.size()];
    return text;
  };
  for (int i = 0; i < 1000; ++i) {
    const std::string before = text({"a\n", "b\n", "c\n", "\n", "d e\n", "a b\n", "a"}, 31),
                      after = text({"a\n", "b\n", "c\n", "\n", "d e\n", "a b\n", "b"}, 31);
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
                  (!starts || !aligned ||
                   (rows.previousChange(r + 1) == r && (r == 0 || rows.nextChange(r - 1) == r))))
          << testing::PrintToString(before) << " / " << testing::PrintToString(after) << " " << r;
      nextLeft += row.left.has_value(), nextRight += row.right.has_value();
    }
    EXPECT_EQ(std::pair(nextLeft, nextRight), std::pair(left.count(), right.count()));
    EXPECT_EQ(rows.changes().empty(), !aligned || before == after);
    for (std::size_t c : rows.changes()) EXPECT_NE(rows.row(c).kind, Alignment::Kind::Same);
  }
  const LineChanges mask = lineChanges("[auth] ERROR user=bob x", "[auth]  user=*** x", true);
  EXPECT_EQ(marked("[auth] ERROR user=bob x", mask.before), "[auth] {ERROR} user={bob} x");
  EXPECT_EQ(marked("[auth]  user=*** x", mask.after), "[auth]  user={***} x");
  // Past the length limit, the one range between the equal ends, which stop
  // short of a character ("ж" and "и" share their first byte).
  const LineChanges cut = lineChanges("aжb", "aиb", true, 0);
  EXPECT_EQ(marked("aжb", cut.before) + marked("aиb", cut.after), "a{ж}ba{и}b");
}

}  // namespace
}  // namespace strovel
