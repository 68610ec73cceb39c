// The likeness of two lines and the two ways of pairing a block's lines by
// it: the exact table for small blocks, the best chain over the nearby
// alike pairs for large ones.
#include "preview/line_pairing.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

#include "preview/line_likeness.h"

namespace strovel {
namespace {

// Blocks up to this many pairs of lines are paired exactly.
constexpr std::size_t kExactCells = 1 << 18;
// A result line's partner is looked for this far ahead in the input for
// every input line per result line in the block, and no further than this
// past the most alike line found, again per input line per result line.
constexpr std::size_t kLookaheadPerGap = 64;
constexpr std::size_t kMostLookahead = std::size_t{1} << 16;
constexpr std::size_t kBeyondPerGap = 4;
constexpr std::size_t kLeastBeyond = 12;
// A line this alike is seldom outdone by one further on: past it the search
// goes on only this far.
constexpr int kNearlySame = 900;
constexpr std::size_t kNearlySameBeyond = 4;

struct Block {
  const TextLines& leftText;
  std::size_t left, leftCount;
  const TextLines& rightText;
  std::size_t right, rightCount;
};

// The likeness of every input line of the block (rows) to every result
// line (columns). The shorter side's profiles are kept, the longer side's
// made one at a time.
std::vector<std::int16_t> likenessTable(const Block& b) {
  const bool byRow = b.leftCount >= b.rightCount;  // rows are the longer side
  const std::size_t kept = byRow ? b.rightCount : b.leftCount;
  const std::size_t made = byRow ? b.leftCount : b.rightCount;
  const auto line = [&b](bool left, std::size_t k) {
    return lineProfile(left ? b.leftText.line(b.left + k) : b.rightText.line(b.right + k));
  };
  std::vector<LineProfile> keptProfiles;
  for (std::size_t k = 0; k < kept; ++k) keptProfiles.push_back(line(!byRow, k));
  std::vector<std::int16_t> table(b.leftCount * b.rightCount);
  for (std::size_t m = 0; m < made; ++m) {
    const LineProfile one = line(byRow, m);
    for (std::size_t k = 0; k < kept; ++k) {
      const std::size_t cell = byRow ? m * b.rightCount + k : k * b.rightCount + m;
      table[cell] = static_cast<std::int16_t>(likeness(one, keptProfiles[k]));
    }
  }
  return table;
}

// The pairs in order whose likeness, from kAlikeFrom on, sums highest: a
// longest-common-subsequence table where a pair counts by its likeness.
// Of equal choices, the earlier input line pairs.
std::vector<LinePair> pairExactly(const Block& b) {
  const std::vector<std::int16_t> alike = likenessTable(b);
  const std::size_t columns = b.rightCount + 1;
  std::vector<std::int64_t> best((b.leftCount + 1) * columns, 0);
  for (std::size_t i = 1; i <= b.leftCount; ++i) {
    for (std::size_t j = 1; j <= b.rightCount; ++j) {
      std::int64_t& cell = best[i * columns + j];
      cell = std::max(best[(i - 1) * columns + j], best[i * columns + j - 1]);
      const int score = alike[(i - 1) * b.rightCount + j - 1];
      if (score >= kAlikeFrom) cell = std::max(cell, best[(i - 1) * columns + j - 1] + score);
    }
  }
  std::vector<LinePair> pairs;
  for (std::size_t i = b.leftCount, j = b.rightCount; i > 0 && j > 0;) {
    const std::int64_t cell = best[i * columns + j];
    if (cell == best[(i - 1) * columns + j]) {
      --i;
    } else if (cell == best[i * columns + j - 1]) {
      --j;
    } else {
      pairs.push_back({--i, --j});
    }
  }
  std::reverse(pairs.begin(), pairs.end());
  return pairs;
}

// The profiles of the input lines the walk looks at: at most `capacity`
// lines back from the furthest asked for, which the walk never goes behind.
class InputWindow {
 public:
  InputWindow(const Block& block, std::size_t capacity)
      : block_(block), ring_(std::bit_ceil(capacity)), mask_(ring_.size() - 1) {}
  const LineProfile& at(std::size_t i) {
    for (; filled_ <= i; ++filled_)
      ring_[filled_ & mask_] = lineProfile(block_.leftText.line(block_.left + filled_));
    return ring_[i & mask_];
  }

 private:
  const Block& block_;
  std::vector<LineProfile> ring_;
  std::size_t mask_;
  std::size_t filled_ = 0;
};

// A pair that a chain may hold: an input line alike to a result line, with
// the edge before it in the best chain that ends with it.
struct Edge {
  std::size_t left, right;
  std::size_t previous;
};
constexpr std::size_t kNoEdge = static_cast<std::size_t>(-1);

// The best chain so far that ends at each input line, to find the best one
// ending before a given line. The chains that end before the line where
// the search for partners starts are folded into one, since every later
// question reaches past them; the others, few, are kept in order of line.
class ChainEnds {
 public:
  struct Chain {
    std::int64_t sum = 0;
    std::size_t last = kNoEdge;  // its last edge
    std::size_t lastLeft = 0;    // that edge's input line
  };
  void settle(std::size_t line) {
    for (; first_ < ends_.size() && ends_[first_].lastLeft < line; ++first_)
      settled_ = better(settled_, ends_[first_]);
    if (first_ > 1024 && first_ * 2 > ends_.size()) {
      ends_.erase(ends_.begin(), ends_.begin() + static_cast<std::ptrdiff_t>(first_));
      first_ = 0;
    }
  }
  Chain before(std::size_t line) const {
    Chain best = settled_;
    for (std::size_t k = first_; k < ends_.size() && ends_[k].lastLeft < line; ++k)
      best = better(best, ends_[k]);
    return best;
  }
  void add(const Chain& chain) {
    auto at = std::lower_bound(ends_.begin() + static_cast<std::ptrdiff_t>(first_), ends_.end(),
                               chain.lastLeft,
                               [](const Chain& c, std::size_t line) { return c.lastLeft < line; });
    if (at != ends_.end() && at->lastLeft == chain.lastLeft) {
      *at = better(*at, chain);
    } else {
      ends_.insert(at, chain);
    }
  }

 private:
  // Of equal sums, the chain whose last pair comes first.
  static const Chain& better(const Chain& a, const Chain& b) {
    if (a.sum != b.sum) return a.sum > b.sum ? a : b;
    return a.last == kNoEdge || (b.last != kNoEdge && b.lastLeft < a.lastLeft) ? b : a;
  }
  std::vector<Chain> ends_;
  std::size_t first_ = 0;  // ends_ before it are folded into settled_
  Chain settled_;
};

// The input lines alike to one result line, from `start` on: up to the
// lookahead, and no further than `beyond` lines past the most alike found
// (fewer when that one is nearly the same).
// Gives the most alike (the earliest of equals).
std::size_t findAlike(InputWindow& window, const LineProfile& line, std::size_t start,
                      std::size_t limit, std::size_t beyond,
                      std::vector<std::pair<std::size_t, int>>& found) {
  found.clear();
  std::size_t best = start;
  int most = kAlikeFrom - 1;
  for (std::size_t p = start, stop = limit; p < stop; ++p) {
    const int score = likeness(window.at(p), line);
    if (score <= most) {
      if (score >= kAlikeFrom) found.emplace_back(p, score);
      continue;
    }
    best = p;
    most = score;
    stop = std::min(limit, p + (score >= kNearlySame ? kNearlySameBeyond : beyond) + 1);
    found.emplace_back(p, score);
  }
  return best;
}

// The chain of pairs in order whose likeness sums highest, as in the exact
// table but over the alike pairs near where the lines can be: result line
// j looks at the input lines from the one most alike to line j - 1 on,
// since its partner lies past that line's partner, which is most often
// that one (and where it is not, the chain still has the pairs to choose).
std::vector<LinePair> pairByChain(const Block& b, const std::atomic<bool>* cancelled) {
  // Input lines per result line, rounded up: how far apart partners drift.
  const std::size_t gap = (b.leftCount + b.rightCount - 1) / b.rightCount;
  const std::size_t lookahead = std::min(kMostLookahead, kLookaheadPerGap * gap);
  const std::size_t beyond = std::max(kLeastBeyond, kBeyondPerGap * gap);
  InputWindow window(b, lookahead);
  ChainEnds chains;
  std::vector<Edge> edges;
  std::vector<std::pair<std::size_t, int>> found;
  std::vector<ChainEnds::Chain> ending;
  std::size_t start = 0;
  for (std::size_t j = 0; j < b.rightCount && start < b.leftCount; ++j) {
    if (j % 4096 == 0 && cancelled && cancelled->load(std::memory_order_relaxed)) break;
    const LineProfile line = lineProfile(b.rightText.line(b.right + j));
    const std::size_t best =
        findAlike(window, line, start, std::min(b.leftCount, start + lookahead), beyond, found);
    // Chains end at this line's pairs only once all of them are scored.
    ending.clear();
    for (const auto& [p, score] : found) {
      const ChainEnds::Chain before = chains.before(p);
      edges.push_back({p, j, before.last});
      ending.push_back({before.sum + score, edges.size() - 1, p});
    }
    for (const ChainEnds::Chain& chain : ending) chains.add(chain);
    if (found.empty()) continue;
    start = best;
    chains.settle(start);
  }
  std::vector<LinePair> pairs;
  for (std::size_t e = chains.before(b.leftCount).last; e != kNoEdge; e = edges[e].previous)
    pairs.push_back({edges[e].left, edges[e].right});
  std::reverse(pairs.begin(), pairs.end());
  return pairs;
}

}  // namespace

std::vector<LinePair> pairLines(const TextLines& leftText, std::size_t left, std::size_t leftCount,
                                const TextLines& rightText, std::size_t right,
                                std::size_t rightCount, const std::atomic<bool>* cancelled) {
  if (leftCount == 0 || rightCount == 0) return {};
  const Block block{leftText, left, leftCount, rightText, right, rightCount};
  if (leftCount <= kExactCells / rightCount) return pairExactly(block);
  return pairByChain(block, cancelled);
}

}  // namespace strovel
