// The walk both sorting actions start with: every line of the text with its
// key, the bytes that begin right after the located Pattern1 and are b - a
// bytes long, cut off at the end of the text. Lines start at 0 or at a LF
// and end at the next LF (or the end of the text).
#pragma once

#include <algorithm>
#include <optional>
#include <string_view>

#include "engine/progress.h"
#include "engine/replace_between.h"
#include "engine/text_search.h"

namespace strovel {

enum class Kind : unsigned char { Keyless, EmptyKey, Keyed };

struct LineKey {
  Kind kind = Kind::Keyless;
  std::size_t keyAt = 0;
  std::size_t keyLength = 0;
};

// The key of the line [s, e) of text.
inline LineKey lineKey(MarkerFinders& finders, const Rule& rule, std::string_view text,
                       std::size_t s, std::size_t e) {
  LineKey key;
  if (const std::optional<Element> element = locateElement(finders, rule, s, e)) {
    key.keyAt = std::min(element->a + rule.Pattern1.size(), text.size());
    key.keyLength = std::min(element->b - element->a, text.size() - key.keyAt);
    key.kind = key.keyLength == 0 ? Kind::EmptyKey : Kind::Keyed;
  }
  return key;
}

// Calls visit(start, end, key) for each line in order whose start lies in
// [from, to); from is 0 or the position of a LF.
template <typename Visit>
void walkLineKeys(std::string_view text, const Rule& rule, const Progress& progress,
                  std::size_t from, std::size_t to, Visit&& visit) {
  MarkerFinders finders(text, rule);
  ProgressTicker ticker(progress, text.size());
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

// Calls visit(start, end, key) for each line in order.
template <typename Visit>
void walkLineKeys(std::string_view text, const Rule& rule, const Progress& progress,
                  Visit&& visit) {
  walkLineKeys(text, rule, progress, 0, npos, visit);
}

}  // namespace strovel
