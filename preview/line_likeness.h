// How much two lines resemble each other, for standing them side by side
// in the preview. Lines resemble each other by their words and pairs of
// neighbouring words (ASCII case aside), which survive edits in the middle
// and several edits in one line, or by their equal beginning and end, which
// is what is left to compare in a line of one or two words. A line's
// features are worked out once into its profile; only a bounded part of
// each line is read, so a comparison costs little however long the lines.
//
//   const LineProfile a = lineProfile("2026-12-01 [auth] ERROR user=bob");
//   const LineProfile b = lineProfile("2026-12-01 [*] ERROR USER:bob");
//   bool alike = likeness(a, b) >= kAlikeFrom;  // true
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace strovel {

// Lines from this likeness on may stand side by side.
inline constexpr int kAlikeFrom = 500;

// The words of a line (up to kMostWords of its first kilobyte) and the
// pairs of neighbouring words, hashed to 16 bits, each once, in the first
// `count` slots; the slots from there to the next multiple of eight hold 0.
// The profile refers to the line's text, which must outlive it.
struct LineProfile {
  static constexpr std::size_t kMostWords = 32;
  std::string_view text;
  std::uint32_t count = 0;
  std::array<std::uint16_t, 2 * kMostWords> features;
};

LineProfile lineProfile(std::string_view line);

// How much two lines resemble each other, 0 (nothing alike) to 1000 (the
// same words in the same order, or the same text).
int likeness(const LineProfile& a, const LineProfile& b);
int likeness(std::string_view a, std::string_view b);

}  // namespace strovel
