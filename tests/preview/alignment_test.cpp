// The preview's rows against what they must show, on many random pairs of
// texts: every line of each side exactly once and in order, equal lines in
// the rows that claim so, and the changes where the rows change; and the
// changed bytes of a changed line, which with the unchanged ones rebuild it.
#include "preview/alignment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>

namespace strovel {
namespace {

using Kind = Alignment::Kind;

TEST(AlignmentTest, RowsShowEveryLineOnceInOrderAndPairOnlyEqualLines) {
  std::mt19937 random(7);
  const auto randomText = [&random] {
    static const char* const lines[] = {"a", "b", "c", "", "d e", "a b"};
    std::string text;
    for (int i = 0, n = int(random() % 31); i < n; ++i)
      text.append(lines[random() % 6]).append(i + 1 < n || random() % 2 ? "\n" : "");
    return text;
  };
  for (int i = 0; i < 1000; ++i) {
    const std::string before = randomText(), after = randomText();
    const TextLines left(before), right(after);
    const bool aligned = i % 2;  // else a sort's rows, line i beside line i
    SCOPED_TRACE(testing::PrintToString(before) + " / " + testing::PrintToString(after));
    const Alignment rows = aligned ? Alignment::fromDiff(diffLines(before, after, 0), left, right)
                                   : Alignment::unaligned(left.count(), right.count());
    const std::vector<std::size_t>& changes = rows.changes();
    std::size_t nextLeft = 0, nextRight = 0;
    for (std::size_t r = 0; r < rows.rows(); ++r) {
      const Alignment::Row row = rows.row(r);
      ASSERT_TRUE(row.left || row.right);
      EXPECT_EQ(row.left.value_or(nextLeft), nextLeft);
      EXPECT_EQ(row.right.value_or(nextRight), nextRight);
      nextLeft += row.left.has_value(), nextRight += row.right.has_value();
      EXPECT_EQ(row.kind == Kind::Unaligned, !aligned);
      EXPECT_TRUE(row.kind != Kind::Same ||
                  (left.line(*row.left) == right.line(*row.right) &&
                   left.lacksNewline(*row.left) == right.lacksNewline(*row.right)));
      // Blocks of changes may touch (a change of line count between them),
      // so every start found is one, and there may be more.
      const bool starts = row.kind != Kind::Same && (r == 0 || rows.row(r - 1).kind == Kind::Same);
      EXPECT_TRUE(!aligned || !starts || std::binary_search(changes.begin(), changes.end(), r));
    }
    EXPECT_EQ(std::pair(nextLeft, nextRight), std::pair(left.count(), right.count()));
    EXPECT_EQ(changes.empty(), !aligned || before == after);
    for (std::size_t k = 0; k < changes.size(); ++k) {
      EXPECT_NE(rows.row(changes[k]).kind, Kind::Same);
      EXPECT_EQ(rows.previousChange(changes[k]), k ? std::optional(changes[k - 1]) : std::nullopt);
      EXPECT_EQ(rows.nextChange(changes[k]),
                k + 1 < changes.size() ? std::optional(changes[k + 1]) : std::nullopt);
    }
  }
}

// The line with its changed ranges in braces; the ranges must come in
// order, and never cut into a character.
std::string marked(std::string_view line, const std::vector<ByteRange>& ranges) {
  std::string shown;
  std::size_t done = 0;
  for (const ByteRange& range : ranges) {
    EXPECT_TRUE(done <= range.from && range.from < range.to) << range.from << " " << range.to;
    for (const std::size_t cut : {range.from, range.to})
      EXPECT_FALSE(cut < line.size() && (line[cut] & 0xC0) == 0x80 &&
                   (line[cut - 1] & 0xE0) == 0xC0)
          << line << " cut at " << cut;
    shown.append(line.substr(done, range.from - done)) += "{";
    shown.append(line.substr(range.from, range.to - range.from)) += "}";
    done = range.to;
  }
  return shown.append(line.substr(done));
}

// Changed bytes are the words that differ; with the unchanged ones, which
// both lines share, they rebuild each line.
TEST(AlignmentTest, ChangedBytesAreWordsThatDifferAndNeverSplitACharacter) {
  const LineChanges mask = lineChanges("[auth] ERROR user=bob x", "[auth]  user=*** x", true);
  EXPECT_EQ(marked("[auth] ERROR user=bob x", mask.before), "[auth] {ERROR} user={bob} x");
  EXPECT_EQ(marked("[auth]  user=*** x", mask.after), "[auth]  user={***} x");
  std::mt19937 random(11);
  static const char* const pieces[] = {"ab", " ", "ж", "жи", "=", "\xd0", "x"};
  const std::regex changed("\\{[^}]*\\}");
  for (int i = 0; i < 600; ++i) {
    std::string before, after;
    for (int k = 0; k < 12; ++k) before += pieces[random() % 7], after += pieces[random() % 7];
    const LineChanges changes = lineChanges(before, after, true, i % 2 ? 4096 : 0);
    EXPECT_EQ(std::regex_replace(marked(before, changes.before), changed, ""),
              std::regex_replace(marked(after, changes.after), changed, ""))
        << before << " / " << after;
  }
}

}  // namespace
}  // namespace strovel
