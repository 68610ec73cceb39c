// The preview's rows against what they must show, on many random pairs of
// texts: every line of each side exactly once and in order, equal lines in
// the rows that claim so, and the changes where the rows change; and the
// changed bytes of a changed line, which with the unchanged ones rebuild it.
#include "preview/alignment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace strovel {
namespace {

std::string randomText(std::mt19937& random) {
  static const char* const lines[] = {"a", "b", "c", "", "d e", "a b"};
  std::string text;
  const int n = std::uniform_int_distribution<int>(0, 30)(random);
  for (int i = 0; i < n; ++i) {
    text += lines[std::uniform_int_distribution<int>(0, 5)(random)];
    if (i + 1 < n || random() % 2) text += '\n';
  }
  return text;
}

TEST(AlignmentTest, RowsShowEveryLineOnceInOrderAndPairOnlyEqualLines) {
  std::mt19937 random(7);
  for (int i = 0; i < 500; ++i) {
    const std::string before = randomText(random), after = randomText(random);
    const TextLines left(before), right(after);
    for (const bool aligned : {true, false}) {
      SCOPED_TRACE(testing::Message() << testing::PrintToString(before) << " / "
                                      << testing::PrintToString(after) << " " << aligned);
      const Alignment rows = aligned ? Alignment::fromDiff(diffLines(before, after, 0), left, right)
                                     : Alignment::unaligned(left.count(), right.count());
      std::size_t nextLeft = 0, nextRight = 0;
      std::vector<std::size_t> starts;  // rows where a block of changes begins
      for (std::size_t r = 0; r < rows.rows(); ++r) {
        const Alignment::Row row = rows.row(r);
        if (row.left) {
          EXPECT_EQ(*row.left, nextLeft++);
        }
        if (row.right) {
          EXPECT_EQ(*row.right, nextRight++);
        }
        ASSERT_TRUE(row.left || row.right);
        if (!aligned) {
          EXPECT_EQ(row.kind, Alignment::Kind::Unaligned);
          continue;
        }
        const bool same = row.kind == Alignment::Kind::Same;
        if (same) {
          EXPECT_EQ(left.line(*row.left), right.line(*row.right));
          EXPECT_EQ(left.lacksNewline(*row.left), right.lacksNewline(*row.right));
        }
        if (!same && (r == 0 || rows.row(r - 1).kind == Alignment::Kind::Same)) starts.push_back(r);
      }
      EXPECT_EQ(nextLeft, left.count());
      EXPECT_EQ(nextRight, right.count());
      if (aligned) {
        // Blocks of changes may touch (a change of line count between
        // them), so every start found is one, and there may be more.
        for (std::size_t start : starts)
          EXPECT_TRUE(std::binary_search(rows.changes().begin(), rows.changes().end(), start));
        EXPECT_EQ(rows.changes().empty(), before == after);
        for (std::size_t k = 0; k < rows.changes().size(); ++k) {
          EXPECT_NE(rows.row(rows.changes()[k]).kind, Alignment::Kind::Same);
          if (k > 0) {
            EXPECT_EQ(rows.previousChange(rows.changes()[k]), rows.changes()[k - 1]);
          }
          EXPECT_EQ(rows.nextChange(rows.changes()[k]), k + 1 < rows.changes().size()
                                                            ? std::optional(rows.changes()[k + 1])
                                                            : std::nullopt);
        }
      }
    }
  }
}

// The bytes outside the ranges are the ones both lines share, in order.
std::string unchanged(std::string_view line, const std::vector<ByteRange>& ranges) {
  std::string kept;
  std::size_t done = 0;
  for (const ByteRange& range : ranges) {
    EXPECT_LE(done, range.from);
    EXPECT_LT(range.from, range.to);
    kept.append(line.substr(done, range.from - done));
    done = range.to;
  }
  return kept.append(line.substr(done));
}

TEST(AlignmentTest, ChangedBytesAreWordsThatDifferAndNeverSplitACharacter) {
  const LineChanges mask = lineChanges("[auth] ERROR user=bob x", "[auth]  user=*** x", true);
  ASSERT_EQ(mask.before.size(), 2u);
  EXPECT_EQ(mask.before[0].from, 7u);  // "ERROR"
  EXPECT_EQ(mask.before[0].to, 12u);
  EXPECT_EQ(mask.before[1].from, 18u);  // "bob"
  EXPECT_EQ(mask.before[1].to, 21u);
  ASSERT_EQ(mask.after.size(), 1u);  // "***"
  EXPECT_EQ(mask.after[0].from, 13u);
  EXPECT_EQ(mask.after[0].to, 16u);

  std::mt19937 random(11);
  static const char* const pieces[] = {"ab", " ", "ж", "жи", "=", "\xd0", "x"};
  for (int i = 0; i < 300; ++i) {
    std::string before, after;
    for (int k = 0; k < 12; ++k) {
      before += pieces[random() % 7];
      after += pieces[random() % 7];
    }
    for (const std::size_t limit : {std::size_t{4096}, std::size_t{0}}) {
      const LineChanges changes = lineChanges(before, after, true, limit);
      EXPECT_EQ(unchanged(before, changes.before), unchanged(after, changes.after))
          << before << " / " << after << " " << limit;
      for (const auto* side : {&changes.before, &changes.after}) {
        const std::string& line = side == &changes.before ? before : after;
        for (const ByteRange& range : *side)
          for (const std::size_t cut : {range.from, range.to})
            EXPECT_FALSE(cut < line.size() &&
                         (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80 &&
                         (static_cast<unsigned char>(line[cut - 1]) & 0xE0) == 0xC0)
                << before << " / " << after << " cut " << cut;
      }
    }
  }
}

}  // namespace
}  // namespace strovel
