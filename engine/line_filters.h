// The three simplest actions: Replace, KeepLinesWith and DeleteLinesWith.
// Each changes the text in place and returns its count for the summary
// line. The filters keep or drop whole segments (a line with the LF in
// front of it); past the last LF of the text, a lone CR also ends a line.
//
//   std::string text = "a\nb\nc";
//   keepLinesWith(text, rule /* Pattern1 "b" */, {});  // text == "\nb", returns 1
#pragma once

#include <cstdint>
#include <string>

#include "engine/progress.h"
#include "patterns/rule.h"

namespace strovel {

// Turns every CR LF and then every lone CR into LF, then replaces each
// occurrence of Pattern1 by Pattern2, left to right, never searching text
// it inserted. Returns the number of replacements (0 for an empty
// Pattern1).
std::uint64_t replaceText(std::string& text, const Rule& rule);

// Keeps the segments in which Pattern1 begins; returns how many were kept.
std::uint64_t keepLinesWith(std::string& text, const Rule& rule, const Progress& progress);

// Drops the segments in which Pattern1 begins; returns how many were dropped.
std::uint64_t deleteLinesWith(std::string& text, const Rule& rule, const Progress& progress);

}  // namespace strovel
