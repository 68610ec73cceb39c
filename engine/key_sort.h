// SortByElement's sort of the keyed lines: a stable radix sort on eight key
// bytes at a time, loaded as one big-endian number (so numbers order as the
// bytes do), with the key length as the last digit. Keys of at most eight
// bytes are then in their final order, and only groups of longer keys that
// share their eight bytes go on to the next eight. Being stable, the sort
// keeps the order the records come in among equal keys without comparing
// them. From `twoThreadsFrom` records on, the work is split around a pivot
// key between two threads.
//
//   std::vector<SortRecord> records = ...;   // the keyed lines, newest first
//   KeyOrder sorted = sortKeys(std::move(records), text, lines, kSortTwoThreadsFrom);
//   // sorted.order: the lines by key; sorted.same[p]: p has the key of p - 1
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "engine/line_keys.h"

namespace strovel {

// A keyed line in the radix sort: eight of its key bytes and its line.
struct SortRecord {
  std::uint64_t bytes;
  std::size_t line : 56;
  std::size_t digit : 8;  // the length digit at the current offset
};

// Key bytes [offset, offset + 8) as a big-endian number, zeros past the end.
std::uint64_t eightBytes(std::string_view key, std::size_t offset);

// The length digit: how many key bytes lie past offset, 9 standing for more than eight.
unsigned lengthDigit(std::size_t keyLength, std::size_t offset);

// The lines from which a sort shares its work between two threads.
inline constexpr std::size_t kSortTwoThreadsFrom = 1 << 15;

// Keyed lines with non-empty keys, by key, equal keys in the order their
// records came in. same[p] tells whether entry p has the key of entry p - 1.
struct KeyOrder {
  std::vector<std::size_t> order;
  std::vector<unsigned char> same;
};

// Sorts the records (each a keyed line of `lines`, whose keys lie in `text`).
KeyOrder sortKeys(std::vector<SortRecord> records, std::string_view text,
                  std::span<const Line> lines, std::size_t twoThreadsFrom);

}  // namespace strovel
