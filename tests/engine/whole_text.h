// The engine's actions applied to one whole text: the streaming forms fed
// the text in one piece, for tests that want a text in and a text out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/line_filters.h"
#include "engine/replace_between.h"
#include "engine/sorting.h"

namespace strovel::whole {

// Replace, the filters and the two replacing actions: the new text and the count.
inline std::uint64_t applyRule(std::string& text, const Rule& rule) {
  std::string out;
  const auto sink = [&](std::string_view piece) { out += piece; };
  const auto run = [&](auto&& action) {
    action.append(text);
    const std::uint64_t count = action.finish();
    text = std::move(out);
    return count;
  };
  switch (rule.ActionType) {
    case Replace:
      return run(StreamReplace(rule, sink));
    case KeepLinesWith:
    case DeleteLinesWith:
      return run(StreamFilter(rule, rule.ActionType == KeepLinesWith, sink));
    case ReplaceBetween:
      return run(StreamReplaceBetween(rule, sink));
    default:
      return run(StreamReplaceInFile(rule, sink));
  }
}

inline std::uint64_t withAction(std::string& text, Rule rule, std::int32_t action) {
  rule.ActionType = action;
  return applyRule(text, rule);
}

// `twoThreadsFrom`: as for sortLinesByElement (tests make it small).
inline SortCounts sortByElement(std::string& text, const Rule& rule,
                                std::size_t twoThreadsFrom = 1 << 15) {
  const SortedLines sorted = sortLinesByElement(text, rule, {}, twoThreadsFrom);
  std::string out;
  sorted.write([&](std::string_view piece) { out += piece; });
  text = std::move(out);
  return sorted.counts();
}

inline SortCounts sortDistinct(std::string& text, const Rule& rule,
                               std::vector<ElementCount>& report) {
  StreamSortDistinct distinct(rule);
  distinct.append(text);
  std::string out;
  const SortCounts counts = distinct.finish(report);
  distinct.write([&](std::string_view piece) { out += piece; });
  text = std::move(out);
  return counts;
}

}  // namespace strovel::whole
