// Which lines of a block of changes stand side by side in the preview. The
// lines of one block all differ between the two texts; a result line that
// came from an input line by a few edits should stand beside that line, and
// the rest stand alone as removed or added; lines pair by their likeness
// (line_likeness.h).
//
// A small block is paired exactly: the pairs in order whose likeness sums
// highest. In a large one each result line, top to bottom, is compared
// with the input lines from its predecessor's likeliest partner on, up to
// a little past its own likeliest (and no further than a lookahead that
// grows with the share of input lines that went); of these pairs, the
// chain in order whose likeness sums highest is kept. Work is linear in
// the block's lines.
//
//   std::vector<LinePair> pairs = pairLines(left, 10, 4, right, 12, 3);
//   // pairs[k].left, pairs[k].right: offsets within the block, both rising
#pragma once

#include <atomic>
#include <cstddef>
#include <string_view>
#include <vector>

#include "diff/text_diff.h"

namespace strovel {

struct LinePair {
  std::size_t left, right;  // offsets from the block's first line on each side
};

// The pairs of the block that starts at line `left` of the input
// (`leftCount` lines) and line `right` of the result (`rightCount`), both
// offsets rising. Gives up, with the pairs found so far, once `cancelled`
// is set.
std::vector<LinePair> pairLines(const TextLines& leftText, std::size_t left, std::size_t leftCount,
                                const TextLines& rightText, std::size_t right,
                                std::size_t rightCount,
                                const std::atomic<bool>* cancelled = nullptr);

}  // namespace strovel
