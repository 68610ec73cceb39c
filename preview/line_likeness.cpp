// Hashing a line's words into its profile, and comparing two profiles by
// their sets of features and by the ends of their texts.
#include "preview/line_likeness.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace strovel {
namespace {

// Words are read from this much of a line's beginning.
constexpr std::size_t kWordsIn = 1024;
// Only this much of each end of a line is compared.
constexpr std::size_t kEndBytes = 512;

// A word byte as it is hashed (ASCII letters in lower case), or 0 for a
// byte between words. Words are runs of letters, digits, '_' and non-ASCII
// bytes.
constexpr std::array<unsigned char, 256> kWordBytes = [] {
  std::array<unsigned char, 256> bytes{};
  for (int c = 0; c < 256; ++c) {
    const bool word = c >= 0x80 || c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                      (c >= 'A' && c <= 'Z');
    bytes[c] = word ? static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c) : 0;
  }
  return bytes;
}();

// A feature as kept: 16 bits, never 0, which marks an unused slot.
std::uint16_t feature(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 29;
  const auto kept = static_cast<std::uint16_t>(h >> 48);
  return kept != 0 ? kept : 1;
}

// How many of a's features b has too: with SSE2, each of a's features
// against `Blocks` groups of eight of b's slots held in registers.
template <std::size_t Blocks>
std::uint32_t sharedIn(const LineProfile& a, const LineProfile& b) {
  std::uint32_t hits = 0;
#if defined(__SSE2__)
  __m128i slots[Blocks];
  for (std::size_t k = 0; k < Blocks; ++k)
    slots[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.features.data() + 8 * k));
  for (std::uint32_t x = 0; x < a.count; ++x) {
    const __m128i one = _mm_set1_epi16(static_cast<short>(a.features[x]));
    __m128i any = _mm_cmpeq_epi16(slots[0], one);
    for (std::size_t k = 1; k < Blocks; ++k)
      any = _mm_or_si128(any, _mm_cmpeq_epi16(slots[k], one));
    hits += _mm_movemask_epi8(any) != 0;
  }
#else
  const auto end = b.features.begin() + std::min<std::size_t>(b.count, 8 * Blocks);
  for (std::uint32_t x = 0; x < a.count; ++x)
    hits += std::find(b.features.begin(), end, a.features[x]) != end;
#endif
  return hits;
}

std::uint32_t shared(const LineProfile& a, const LineProfile& b) {
  static_assert(2 * LineProfile::kMostWords == 64);
  using Count = std::uint32_t (*)(const LineProfile&, const LineProfile&);
  static constexpr std::array<Count, 8> kByBlocks = {sharedIn<1>, sharedIn<2>, sharedIn<3>,
                                                     sharedIn<4>, sharedIn<5>, sharedIn<6>,
                                                     sharedIn<7>, sharedIn<8>};
  const std::size_t blocks = std::min<std::size_t>((b.count + 7) / 8, kByBlocks.size());
  return blocks == 0 ? 0 : kByBlocks[blocks - 1](a, b);
}

// How many bytes from `a` and `b` on are equal, up to `most`, eight at a
// time where the machine stores its words low byte first.
std::size_t equalAhead(const char* a, const char* b, std::size_t most) {
  std::size_t n = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; n + 8 <= most; n += 8) {
      std::uint64_t x, y;
      std::memcpy(&x, a + n, 8);
      std::memcpy(&y, b + n, 8);
      if (x != y) return n + static_cast<std::size_t>(std::countr_zero(x ^ y)) / 8;
    }
  }
  while (n < most && a[n] == b[n]) ++n;
  return n;
}

// How many bytes before `a` and `b` (their ends) are equal, up to `most`.
std::size_t equalBehind(const char* a, const char* b, std::size_t most) {
  std::size_t n = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; n + 8 <= most; n += 8) {
      std::uint64_t x, y;
      std::memcpy(&x, a - n - 8, 8);
      std::memcpy(&y, b - n - 8, 8);
      if (x != y) return n + static_cast<std::size_t>(std::countl_zero(x ^ y)) / 8;
    }
  }
  while (n < most &&
         a[-1 - static_cast<std::ptrdiff_t>(n)] == b[-1 - static_cast<std::ptrdiff_t>(n)])
    ++n;
  return n;
}

// The share of the longer line that the two lines' equal beginning and end
// make up.
int endsLikeness(std::string_view a, std::string_view b) {
  const std::size_t longer = std::max(a.size(), b.size());
  if (longer == 0) return 1000;
  const std::size_t shorter = std::min(a.size(), b.size());
  const std::size_t prefix = equalAhead(a.data(), b.data(), std::min(shorter, kEndBytes));
  const std::size_t suffix =
      equalBehind(a.data() + a.size(), b.data() + b.size(), std::min(shorter - prefix, kEndBytes));
  return static_cast<int>((prefix + suffix) * 1000 / std::min(longer, 2 * kEndBytes));
}

}  // namespace

LineProfile lineProfile(std::string_view line) {
  LineProfile p;
  p.text = line;
  std::uint64_t seen = 0;  // a bit per feature so far, to find repeats fast
  const auto add = [&p, &seen](std::uint64_t h) {
    const std::uint16_t f = feature(h);
    const std::uint64_t bit = std::uint64_t{1} << (f & 63);
    const auto end = p.features.begin() + p.count;
    if ((seen & bit) != 0 && std::find(p.features.begin(), end, f) != end) return;
    seen |= bit;
    p.features[p.count++] = f;
  };
  const std::size_t end = std::min(line.size(), kWordsIn);
  std::uint64_t previous = 0;
  std::size_t words = 0;
  for (std::size_t i = 0; i < end && words < LineProfile::kMostWords;) {
    if (kWordBytes[static_cast<unsigned char>(line[i])] == 0) {
      ++i;
      continue;
    }
    std::uint64_t word = 0xcbf29ce484222325ULL;  // FNV-1a
    for (unsigned char c; i < end && (c = kWordBytes[static_cast<unsigned char>(line[i])]); ++i)
      word = (word ^ c) * 0x100000001b3ULL;
    add(word);
    if (words++ > 0) add(previous * 0x9e3779b97f4a7c15ULL + word);
    previous = word;
  }
  std::fill(p.features.begin() + p.count, p.features.begin() + (p.count + 7) / 8 * 8, 0);
  return p;
}

// The larger of the share of words the lines have in common (Dice's
// coefficient over the two sets) and the share their ends make up.
int likeness(const LineProfile& a, const LineProfile& b) {
  const std::uint32_t total = a.count + b.count;
  const int words = total > 0 ? static_cast<int>(2000 * shared(a, b) / total) : 0;
  return std::max(words, endsLikeness(a.text, b.text));
}

int likeness(std::string_view a, std::string_view b) {
  return likeness(lineProfile(a), lineProfile(b));
}

}  // namespace strovel
