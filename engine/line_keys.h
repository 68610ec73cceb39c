// The key of a line for both sorting actions: the bytes that begin right
// after the located Pattern1 and are b - a bytes long, cut off at the end
// of the text. Lines start at 0 or at a LF and end at the next LF (or the
// end of the text).
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>

#include "engine/replace_between.h"
#include "engine/text_search.h"

namespace strovel {

// A line with no element, one whose element is empty, or one with a key.
enum class LineKind : unsigned char { Keyless, EmptyKey, Keyed };

struct LineKey {
  LineKind kind = LineKind::Keyless;
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
    key.kind = key.keyLength == 0 ? LineKind::EmptyKey : LineKind::Keyed;
  }
  return key;
}

}  // namespace strovel
