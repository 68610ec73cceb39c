// Byte searches. A one-byte pattern is memchr. Longer patterns use the
// pair search: sixteen (with AVX2 thirty-two) positions at a time are tested for the pattern's
// first byte and, at the right distance, its last byte, and only positions
// where both match are compared in full. That skips through ordinary text
// at memory speed. When too many candidates fail (a text made of the
// pattern's own bytes), the search hands over to glibc's memmem, whose
// two-way matching is linear in every case.
#include "engine/text_search.h"

#include <string.h>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace strovel {
namespace {

std::size_t memmemFrom(std::string_view text, std::string_view pattern, std::size_t from) {
  const void* hit =
      ::memmem(text.data() + from, text.size() - from, pattern.data(), pattern.size());
  return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : npos;
}

#if defined(__x86_64__)
// The same with 32 positions at a time, on processors that have AVX2.
__attribute__((target("avx2"))) std::size_t pairSearchAvx2(std::string_view text,
                                                           std::string_view pattern,
                                                           std::size_t from) {
  const char* t = text.data();
  const std::size_t m = pattern.size();
  const __m256i first = _mm256_set1_epi8(pattern.front());
  const __m256i last = _mm256_set1_epi8(pattern.back());
  std::size_t compared = 0;
  std::size_t i = from;
  for (; i + m - 1 + 32 <= text.size(); i += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + i + m - 1));
    unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(
        _mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last))));
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
      if (std::memcmp(t + at + 1, pattern.data() + 1, m - 2) == 0) return at;
      compared += m;
      mask &= mask - 1;
    }
    if (compared > 4096 + 4 * (i - from)) break;
  }
  return memmemFrom(text, pattern, i);
}

const bool hasAvx2 = __builtin_cpu_supports("avx2");
#endif

#if defined(__SSE2__)
std::size_t pairSearch(std::string_view text, std::string_view pattern, std::size_t from) {
  const char* t = text.data();
  const std::size_t m = pattern.size();
  const __m128i first = _mm_set1_epi8(pattern.front());
  const __m128i last = _mm_set1_epi8(pattern.back());
  std::size_t compared = 0;  // bytes spent on failed candidates
  std::size_t i = from;
  for (; i + m - 1 + 16 <= text.size(); i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i + m - 1));
    unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
      if (std::memcmp(t + at + 1, pattern.data() + 1, m - 2) == 0) return at;
      compared += m;
      mask &= mask - 1;
    }
    if (compared > 4096 + 4 * (i - from)) break;
  }
  return memmemFrom(text, pattern, i);
}
#endif

}  // namespace

std::size_t findIn(std::string_view text, std::string_view pattern, std::size_t from) {
  if (from > text.size()) return npos;
  if (pattern.empty()) return from;
  if (pattern.size() == 1) return findByte(text, pattern.front(), from);
  if (text.size() - from < pattern.size()) return npos;
#if defined(__x86_64__)
  if (hasAvx2) return pairSearchAvx2(text, pattern, from);
#endif
#if defined(__SSE2__)
  return pairSearch(text, pattern, from);
#else
  return memmemFrom(text, pattern, from);
#endif
}

std::size_t Finder::find(std::size_t from) {
  if (pattern_.empty()) return findIn(text_, pattern_, from);
  // No occurrence begins in [lastFrom_, lastFound_): the answer stands.
  if (lastFrom_ != npos && from >= lastFrom_ && from <= lastFound_) return lastFound_;
  lastFrom_ = from;
  lastFound_ = findIn(text_, pattern_, from);
  return lastFound_;
}

}  // namespace strovel
