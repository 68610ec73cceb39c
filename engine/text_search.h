// Searching a text that does not change while it is searched. A search for
// T from position p yields the first occurrence of T that begins at or after
// p, or npos; an empty T is found at p itself; a p beyond the end finds
// nothing. Zero bytes are ordinary bytes.
//
// The line walks search the same pattern again and again from positions
// that only move forward, and often far past the current line. Finder
// remembers its last answer: when the next start lies between the last
// start and the last occurrence, that occurrence is still the first one, so
// a walk over n bytes costs O(n) searching instead of O(n * lines).
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace strovel {

inline constexpr std::size_t npos = static_cast<std::size_t>(-1);

// First occurrence of pattern in text at or after from (npos: none).
std::size_t findIn(std::string_view text, std::string_view pattern, std::size_t from);

class Finder {
 public:
  Finder(std::string_view text, std::string_view pattern) : text_(text), pattern_(pattern) {}
  std::size_t find(std::size_t from);
  std::string_view pattern() const { return pattern_; }

 private:
  std::string_view text_;
  std::string_view pattern_;
  std::size_t lastFrom_ = npos;
  std::size_t lastFound_ = npos;
};

// First byte c at or after from, or npos. The next line break is usually
// a few dozen bytes away: those are looked at here, sixteen at a time,
// before the call to memchr that pays off on longer distances.
inline std::size_t findByte(std::string_view text, char c, std::size_t from) {
  if (from >= text.size()) return npos;
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(c);
  for (int probe = 0; probe < 4 && from + 16 <= text.size(); ++probe, from += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + from));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, wanted)));
    if (mask != 0) return from + static_cast<unsigned>(__builtin_ctz(mask));
  }
#endif
  const void* hit = std::memchr(text.data() + from, c, text.size() - from);
  return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : npos;
}

}  // namespace strovel
