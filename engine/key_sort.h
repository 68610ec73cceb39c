// The sort of SortByElement's keyed lines in memory: records of twelve
// bytes (sixteen beyond 4 GB), each the first eight bytes of a line's key
// as one big-endian number and a tail holding the line, whether it is a
// line with no element placed behind the key (After), and a length digit:
// how many key bytes lie past those eight, 9 standing for more. The nine
// digits so made (eight bytes and the length) order keys exactly as their
// bytes do. An in-place radix sort (most significant digit first) orders
// them with no second array; keys that share all nine digits and go on
// past eight bytes load their next eight bytes and go on, and keys found
// equal are ordered by line: a line with the key first, the latest of
// those first, then the lines with no element, in input order. Large sorts
// share the work between two threads after the first split.
//
//   std::vector<KeyRecord<std::uint32_t>> records = ...;  // made by the line walk
//   sortKeys(std::span(records), keys, kSortTwoThreadsFrom, progress);
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "engine/run_progress.h"

namespace strovel {

template <typename Offset>
struct __attribute__((packed)) KeyRecord {
  // Bits of the tail: the line above kLineShift; a key of more than eight
  // bytes (whose prefix may hold later bytes once sorted); the After flag;
  // the digit.
  static constexpr unsigned kLineShift = 6;
  static constexpr Offset kLong = 32;
  static constexpr Offset kAfter = 16;
  static constexpr std::uint64_t kMaxLines = (std::uint64_t{1} << (8 * sizeof(Offset) - 6)) - 1;

  std::uint64_t prefix;
  Offset tail;

  std::uint64_t line() const { return tail >> kLineShift; }
  bool after() const { return (tail & kAfter) != 0; }
  bool longKey() const { return (tail & kLong) != 0; }
  unsigned digit() const { return static_cast<unsigned>(tail & 15); }
};

// Key bytes [offset, offset + 8) as a big-endian number, zeros past the end.
std::uint64_t eightBytes(std::string_view key, std::size_t offset);

// The length digit: how many key bytes lie past offset, 9 standing for more than eight.
unsigned lengthDigit(std::size_t keyLength, std::size_t offset);

// The key of every line, for the bytes past the first eight: its own key,
// or for a line with no element placed behind a key (after), that key.
class LineKeys {
 public:
  virtual ~LineKeys() = default;
  virtual std::string_view key(std::uint64_t line, bool after) const = 0;
};

// The lines from which a sort shares its work between two threads.
inline constexpr std::size_t kSortTwoThreadsFrom = 1 << 15;

// Sorts the records; the progress hook (may be null) hears the Sorting
// phase and may stop it.
template <typename Offset>
void sortKeys(std::span<KeyRecord<Offset>> records, const LineKeys& keys,
              std::size_t twoThreadsFrom, RunProgress* progress);

}  // namespace strovel
