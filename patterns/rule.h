// A Rule is one step of a pattern: an action code, three byte texts and two
// occurrence numbers. Field names follow the editor's labels (Pattern1,
// Pattern2, Pattern3). Texts are raw bytes in the ANSI code page; a line
// break inside a text is a single LF. Rules are plain values.
#pragma once

#include <cstdint>
#include <string>

namespace strovel {

// Action codes stored in Rule::ActionType and in pattern files. Any other
// value (0 included) names no action; it is kept as it is and reported by
// the processing run.
enum ActionType : std::int32_t {
  Replace = 1,
  KeepLinesWith = 2,
  ReplaceBetween = 3,
  DeleteLinesWith = 4,
  SortByElement = 5,
  SortDistinct = 6,
  ReplaceBetweenInFile = 7,
};

struct Rule {
  std::string Pattern1;  // searched text, or left marker
  std::string Pattern3;  // replacement of the between-markers actions
  std::string Pattern2;  // replacement of Replace, or right marker
  std::int32_t ActionType = 0;
  std::int32_t LocationFromStart = 0;      // which Pattern1 in the line opens the element
  std::int32_t LocationAfterPattern1 = 0;  // which Pattern2 after it closes the element

  bool operator==(const Rule&) const = default;
};

}  // namespace strovel
