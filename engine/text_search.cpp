// Byte searches over memchr and glibc's memmem (linear time: two-way
// matching for long patterns).
#include "engine/text_search.h"

#include <string.h>

namespace strovel {

std::size_t findIn(std::string_view text, std::string_view pattern, std::size_t from) {
  if (from > text.size()) return npos;
  if (pattern.empty()) return from;
  const void* hit =
      ::memmem(text.data() + from, text.size() - from, pattern.data(), pattern.size());
  return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : npos;
}

std::size_t Finder::find(std::size_t from) {
  if (pattern_.empty()) return findIn(text_, pattern_, from);
  // No occurrence begins in [lastFrom_, lastFound_): the answer stands.
  if (lastFrom_ != npos && from >= lastFrom_ && from <= lastFound_) return lastFound_;
  lastFrom_ = from;
  lastFound_ = findIn(text_, pattern_, from);
  return lastFound_;
}

std::size_t findByte(std::string_view text, char c, std::size_t from) {
  if (from >= text.size()) return npos;
  const void* hit = ::memchr(text.data() + from, c, text.size() - from);
  return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : npos;
}

}  // namespace strovel
