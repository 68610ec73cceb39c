// The rows of the preview: the input and the result side by side, lined up
// by their line diff. Equal lines share a row; in a block of changes, lines
// that resemble each other (pairLines) pair up as changed rows, in order,
// and the rest are removed (left only) or added (right only). A text that a
// sort reordered is not lined up: row i shows line i of each side. Rows are
// held as segments, so a text of millions of unchanged lines costs a few
// entries.
//
//   Alignment rows = Alignment::fromDiff(diffLines(input, result, 0), inputLines, resultLines);
//   Alignment::Row row = rows.row(7);        // which line of each side, and how
//   std::optional<std::size_t> next = rows.nextChange(7);
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "diff/text_diff.h"

namespace strovel {

class Alignment {
 public:
  enum class Kind : std::uint8_t { Same, Changed, Removed, Added, Unaligned };
  struct Row {
    Kind kind;
    std::optional<std::size_t> left;   // 0-based line of the input
    std::optional<std::size_t> right;  // 0-based line of the result
  };

  // Row i holds line i of each side, where the side has one.
  static Alignment unaligned(std::size_t leftLines, std::size_t rightLines);
  // From a diff of the two texts made without context lines. Once
  // `cancelled` is set it gives up early; its rows are then incomplete.
  static Alignment fromDiff(const LineDiff& diff, const TextLines& left, const TextLines& right,
                            const std::atomic<bool>* cancelled = nullptr);

  std::size_t rows() const { return rows_; }
  Row row(std::size_t index) const;
  // The blocks of changes, each by its first row.
  const std::vector<std::size_t>& changes() const { return changes_; }
  // Lines of the input that went, and of the result that came.
  std::size_t removedLines() const { return removed_; }
  std::size_t addedLines() const { return added_; }
  // The first change that starts after / before the row, if any.
  std::optional<std::size_t> nextChange(std::size_t row) const;
  std::optional<std::size_t> previousChange(std::size_t row) const;

 private:
  struct Segment {
    std::size_t firstRow;
    Kind kind;
    std::size_t left, right;  // first line of each side
    std::size_t count;
  };
  void add(Kind kind, std::size_t left, std::size_t right, std::size_t count);
  void addBlock(const TextLines& leftText, const TextLines& rightText, std::size_t left,
                std::size_t leftCount, std::size_t right, std::size_t rightCount,
                const std::atomic<bool>* cancelled);

  std::vector<Segment> segments_;
  std::vector<std::size_t> changes_;
  std::size_t rows_ = 0;
  std::size_t removed_ = 0, added_ = 0;
  std::size_t leftLines_ = 0, rightLines_ = 0;
};

// The bytes two changed lines share at their ends: the changed part of each
// is what lies between. With `utf8`, neither end cuts into a character.
struct LineChange {
  std::size_t prefix;  // bytes equal at the start
  std::size_t suffix;  // bytes equal at the end (not overlapping the prefix)
};
LineChange lineChange(std::string_view before, std::string_view after, bool utf8);

// The changed bytes of two changed lines, as ranges of each: the lines are
// compared word by word (runs of letters, digits and non-ASCII bytes; every
// other byte alone), so two separate edits show as two ranges. Lines longer
// than `limit` bytes get the one range between their equal ends.
struct ByteRange {
  std::size_t from, to;
};
struct LineChanges {
  std::vector<ByteRange> before, after;
};
LineChanges lineChanges(std::string_view before, std::string_view after, bool utf8,
                        std::size_t limit = 4096);

}  // namespace strovel
