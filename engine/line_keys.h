// The walk both sorting actions start with: every line of the text with its
// key, the bytes that begin right after the located Pattern1 and are b - a
// bytes long, cut off at the end of the text. Lines start at 0 or at a LF
// and end at the next LF (or the end of the text).
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>

#include "engine/replace_between.h"
#include "engine/run_progress.h"
#include "engine/text_search.h"

namespace strovel {

// A line with no element, one whose element is empty, or one with a key.
enum class LineKind : unsigned char { Keyless, EmptyKey, Keyed };

struct LineKey {
  LineKind kind = LineKind::Keyless;
  std::size_t keyAt = 0;
  std::size_t keyLength = 0;
};

// One line of a sort's line table, packed in three words.
struct Line {
  std::size_t start;
  // Keyed lines: where the key begins in the text. Keyless lines: the line
  // holding the greatest key placed before this one, or npos.
  std::size_t keyAt;
  std::size_t keyLength : 62;
  std::size_t kindBits : 2;
  LineKind kind() const { return static_cast<LineKind>(kindBits); }
};

// The key of the line [s, e) of text.
inline LineKey lineKey(MarkerFinders& finders, const Rule& rule, std::string_view text,
                       std::size_t s, std::size_t e) {
  LineKey key;
  if (const std::optional<Element> element = locateElement(finders, rule, s, e)) {
    key.keyAt = std::min(element->a + rule.Pattern1.size(), text.size());
    key.keyLength = std::min(element->b - element->a, text.size() - key.keyAt);
    key.kind = key.keyLength == 0 ? LineKind::EmptyKey : LineKind::Keyed;
  }
  return key;
}

// Calls visit(start, end, key) for each line in order whose start lies in
// [from, to); from is 0 or the position of a LF. The walk's position goes
// to the progress hook, when there is one, as the sort's phase.
template <typename Visit>
void walkLineKeys(std::string_view text, const Rule& rule, RunProgress* progress, std::size_t from,
                  std::size_t to, Visit&& visit) {
  MarkerFinders finders(text, rule);
  ProgressTicker ticker(progress, RunPhase::Sorting, text.size());
  for (std::size_t s = from; s < to;) {
    const std::size_t lf = findByte(text, '\n', s + 1);
    const std::size_t e = lf != npos ? lf : text.size();
    if (e == s) return;
    ticker.at(s);
    visit(s, e, lineKey(finders, rule, text, s, e));
    if (lf == npos) return;
    s = lf;
  }
}

}  // namespace strovel
