// The element between two markers, and the two actions that replace it.
// In a line (s, e) the element is located by counting occurrences of
// Pattern1 from the line start and of Pattern2 after the found Pattern1;
// the replaced stretch runs from the first byte of Pattern1 to the last
// byte of Pattern2. ReplaceBetween works line by line; ReplaceBetweenInFile
// ignores lines. Both take the text in pieces.
//
//   std::string out;
//   StreamReplaceBetween between(rule /* "[", "]", "<>", 1, 1 */,
//                                [&](std::string_view s) { out += s; });
//   between.append("x[a]y\nz[b]w");
//   between.finish();  // out == "x<>y\nz<>w", returns 2
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "engine/streaming_action.h"
#include "engine/text_search.h"
#include "patterns/rule.h"

namespace strovel {

// a: where the left marker begins (the line start when Pattern1 is not
// searched); b: where the right marker begins (e when Pattern2 is empty;
// a + |Pattern1| when Pattern2 is not searched).
struct Element {
  std::size_t a;
  std::size_t b;
};

// Finders for Pattern1 and Pattern2 over one unchanging text.
struct MarkerFinders {
  MarkerFinders(std::string_view text, const Rule& rule)
      : left(text, rule.Pattern1), right(text, rule.Pattern2) {}
  Finder left;
  Finder right;
};

// The element of the line that starts at s and ends at e, or nullopt.
std::optional<Element> locateElement(MarkerFinders& finders, const Rule& rule, std::size_t s,
                                     std::size_t e);

// ReplaceBetween: replaces the element stretch of each line by Pattern3;
// the count is the number of lines changed. The walk never re-enters text
// it inserted. A line is decided once the text reaches the
// second line break behind it with room for the markers to be seen whole;
// what lies before the current line goes to the sink.
class StreamReplaceBetween : public StreamingAction {
 public:
  StreamReplaceBetween(const Rule& rule, TextSink sink, std::size_t window = 1 << 20)
      : StreamingAction(std::move(sink), window), rule_(rule) {}

 private:
  void walk(bool final) override;
  Rule rule_;
  bool ended_ = false;  // the walk met the end of the text
};

// ReplaceBetweenInFile: replaces stretches from Pattern1 to the next
// Pattern2 anywhere in the text, each search continuing right behind the
// previous insertion; the count is the number of replacements. Text before
// the next Pattern1 is passed on at once; from a found Pattern1 on, the
// text is held until its Pattern2 turns up (or the text ends).
class StreamReplaceInFile : public StreamingAction {
 public:
  StreamReplaceInFile(const Rule& rule, TextSink sink, std::size_t window = 1 << 20)
      : StreamingAction(std::move(sink), window), rule_(rule) {}

 private:
  void walk(bool final) override;
  Rule rule_;
  bool first_ = true;    // no search has moved past the start of the text
  bool resume_ = false;  // the window starts at a Pattern1 whose Pattern2 is open
};

}  // namespace strovel
