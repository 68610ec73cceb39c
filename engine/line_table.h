// SortByElement's table of the lines of a text it does not own: each
// line's start and key (or, for a line without an element, the line that
// held the greatest key before it), and the sort records of the keyed
// lines, taken in one walk while each line is in the cache. A large text is
// walked in two halves at once, split at a line break.
//
//   LineTable table(text, rule, kSortTwoThreadsFrom, progress);
//   KeyOrder keyed = table.sortedKeyed();      // the keyed lines by key
//   std::vector<std::size_t> order;
//   table.mergeKeyless(keyed, order);          // the lines without an element placed
//   std::vector<std::size_t> starts = table.takeStarts();
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/key_sort.h"
#include "engine/line_keys.h"
#include "patterns/rule.h"

namespace strovel {

class LineTable {
 public:
  // Walks the text; `progress` (may be null) hears the walk's position.
  LineTable(std::string_view text, const Rule& rule, std::size_t twoThreadsFrom,
            RunProgress* progress);

  std::string_view key(std::size_t i) const {
    return text_.substr(lines_[i].keyAt, lines_[i].keyLength);
  }
  std::size_t size() const { return lines_.size(); }
  const Line& operator[](std::size_t i) const { return lines_[i]; }

  // Keyed lines with non-empty keys, by key; equal keys newest first.
  KeyOrder sortedKeyed();

  // Merges the keyless lines (in input order) into the sorted keyed lines:
  // each keyless line goes before the first keyed line whose key exceeds the
  // greatest key placed before it, that is, right behind the run of equal
  // keys that holds the line with that greatest key.
  void mergeKeyless(const KeyOrder& keyed, std::vector<std::size_t>& order) const;

  // The line starts, and the end of the last line; the table is emptied,
  // so that it does not take room beside what comes next.
  std::vector<std::size_t> takeStarts();

 private:
  // Allocates like std::allocator but leaves elements made without
  // arguments uninitialised, so that a table sized ahead is first touched
  // by the threads that fill it.
  template <typename T>
  struct UninitialisedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
      using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <typename U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) {}
    template <typename U>
    void construct(U* p) {
      ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
      ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
  };
  // What the walk of a half leaves: the end of its last line, and its line
  // with the greatest non-empty key (the first such line), or npos.
  struct Half {
    std::size_t segmentsEnd;
    std::size_t greatest;
  };

  void walk(const Rule& rule, RunProgress* progress);
  std::size_t middleLine() const;
  void walkHalf(const Rule& rule, RunProgress* progress, std::size_t from, std::size_t to,
                std::size_t first, std::vector<SortRecord>& records, Half& half);
  std::size_t countLineBreaks(std::size_t from, std::size_t to) const;

  std::string_view text_;
  std::vector<Line, UninitialisedAllocator<Line>> lines_;
  std::vector<SortRecord> records_;  // the keyed lines, until sortedKeyed() takes them
  std::size_t segmentsEnd_ = 0;
  std::size_t twoThreadsFrom_;  // lines (or keyed lines) from which two threads share the work
};

}  // namespace strovel
