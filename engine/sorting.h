// The two sorting actions. Each line's key is taken from its element: the
// bytes that begin right after the located Pattern1 and are b - a bytes
// long (the element followed by as many bytes as Pattern1 has), cut off at
// the end of the text. Keys compare as unsigned bytes; a prefix sorts first.
//
// The order is exactly that of placing the lines one by one into a list:
// a keyed line goes before the first placed entry whose key is greater than
// or equal to its own, a line without an element goes to the end. It is
// computed in O(n log n) from these facts about that placing:
//  - keyed lines with non-empty keys end in key order, equal keys in reverse
//    input order (SortDistinct keeps the first line of each key);
//  - a line without an element lands after every keyed line whose key is at
//    most the greatest key placed before it, and before all others;
//  - a keyed line with an empty key goes to the very front.
//
//   const std::string text = "q\ny[b]\nz[a]\nw";
//   SortedLines sorted = sortLinesByElement(text, rule /* "[", "]", 1, 1 */, {});
//   sorted.write(sink);  // "q\nz[a]\ny[b]\nw" in pieces; sorted.counts() == {2, 2}
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/progress.h"
#include "engine/stream_window.h"
#include "patterns/rule.h"

namespace strovel {

// Where a sort hands its result, piece by piece.
using TextSink = std::function<void(std::string_view piece)>;

struct SortCounts {
  std::uint64_t first = 0;  // SortByElement: lines sorted; SortDistinct: keyed lines kept
  std::uint64_t second =
      0;  // SortByElement: lines without an element; SortDistinct: duplicates removed
};

// One entry of SortDistinct's element report.
struct ElementCount {
  std::string key;
  std::uint64_t count = 0;
  bool operator==(const ElementCount&) const = default;
};

// SortByElement's new order of the lines over a text it does not own: the
// result is written out straight from it.
class SortedLines {
 public:
  SortedLines(std::string_view text, std::vector<std::size_t> starts,
              std::vector<std::size_t> order, SortCounts counts)
      : text_(text), starts_(std::move(starts)), order_(std::move(order)), counts_(counts) {}
  const SortCounts& counts() const { return counts_; }
  bool empty() const { return order_.empty(); }
  // The sorted text, piece by piece.
  void write(const TextSink& out) const;

 private:
  std::string_view text_;
  std::vector<std::size_t> starts_;  // line i is text_[starts_[i], starts_[i + 1])
  std::vector<std::size_t> order_;
  SortCounts counts_;
};

// SortByElement's order, over a text that must outlive the result. From
// `twoThreadsFrom` lines on, the walk over the lines and the sort of the
// keys each share the work between two threads (progress then comes from
// the calling thread's half of the walk).
inline constexpr std::size_t kSortTwoThreadsFrom = 1 << 15;
SortedLines sortLinesByElement(std::string_view text, const Rule& rule, const Progress& progress,
                               std::size_t twoThreadsFrom = kSortTwoThreadsFrom);

// The distinct lines as SortDistinct keeps them, gathered line by line
// (copies of the lines that stay: a first line of a key, or a line without
// an element) and put in order at the end.
class DistinctLines {
 public:
  DistinctLines();
  DistinctLines(DistinctLines&&) noexcept;
  DistinctLines& operator=(DistinctLines&&) noexcept;
  ~DistinctLines();
  // The next line: its segment, and its key (the kind tells whether it has one).
  void add(std::string_view segment, int kind, std::string_view key);
  // Puts the kept lines in order; the counts and the report.
  SortCounts finish(std::vector<ElementCount>& report);
  // The kept lines in order (after finish()), piece by piece.
  void write(const TextSink& out) const;
  // About the size of what write() gives.
  std::uint64_t keptBytes() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// SortDistinct: like SortByElement, but keeps only the first line of each
// key; `report` receives every kept entry with how often its key occurred,
// highest count first, equal counts in reverse list order. The text
// arrives in pieces: a line is decided once the text reaches the next line
// break but one with room for the markers.
class StreamSortDistinct {
 public:
  explicit StreamSortDistinct(const Rule& rule, std::size_t window = 1 << 20);
  void append(std::string_view text);
  // Decides the rest; the counts and the report. Then write() gives the text.
  SortCounts finish(std::vector<ElementCount>& report);
  void write(const TextSink& out) const;
  std::uint64_t keptBytes() const { return lines_.keptBytes(); }

 private:
  void walk(bool final);

  Rule rule_;
  StreamWindow window_;  // from the current line start on
  DistinctLines lines_;
};

}  // namespace strovel
