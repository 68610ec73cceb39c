// Literal versions of the actions, written step by step from their
// descriptions: in-place edits of one string, every search from scratch,
// placing lines one by one into a list. Slow and obviously right; the fast
// engine must give the same bytes and counts on any input. (std::string::find
// finds an empty text wherever the search starts, and nothing past the end.)
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "patterns/rule.h"

namespace strovel::literal {

using Counts = std::pair<std::uint64_t, std::uint64_t>;
using Report = std::vector<std::pair<std::string, std::uint64_t>>;
using Element = std::optional<std::pair<std::size_t, std::size_t>>;
constexpr std::size_t kNone = std::string::npos;

// Every CR LF, then every lone CR, becomes LF; then each occurrence of
// Pattern1, left to right, becomes Pattern2, the search going on behind it.
inline std::uint64_t replace(std::string& text, const Rule& rule) {
  for (std::size_t p = text.find("\r\n"); p != kNone; p = text.find("\r\n", p)) text.erase(p, 1);
  std::replace(text.begin(), text.end(), '\r', '\n');
  std::uint64_t count = 0;
  for (std::size_t p = 0; !rule.Pattern1.empty() && (p = text.find(rule.Pattern1, p)) != kNone;
       ++count) {
    text.replace(p, rule.Pattern1.size(), rule.Pattern2);
    p += rule.Pattern2.size();
  }
  return count;
}

// The segments in which Pattern1 begins are kept (or dropped) and counted.
// A segment runs from s (0 or a LF) to the next LF; when no LF is left, to
// the next CR, or to the end.
inline std::uint64_t filter(std::string& text, const Rule& rule, bool keep) {
  std::string result;
  std::uint64_t count = 0;
  for (std::size_t s = 0, e; s < text.size(); s = e) {
    const std::size_t lf = text.find('\n', s + 1);
    e = std::min(lf != kNone ? lf : text.find('\r', s + 1), text.size());
    const bool holds = text.find(rule.Pattern1, s) < e;
    count += holds;
    if (holds == keep) result += text.substr(s, e - s);
  }
  text = result;
  return count;
}

// The element of line [s, e): a at the LocationFromStart-th Pattern1, each
// search one byte further on (s when Pattern1 is empty or not searched); b
// at the LocationAfterPattern1-th Pattern2, the first searched from one byte
// behind Pattern1 (e when Pattern2 is empty). None if a marker lies past e.
inline Element locate(const std::string& text, const Rule& rule, std::size_t s, std::size_t e) {
  std::size_t a = s;
  for (int i = 0; !rule.Pattern1.empty() && i < rule.LocationFromStart; ++i)
    if ((a = text.find(rule.Pattern1, a + 1)) > e) return std::nullopt;
  if (rule.Pattern2.empty()) return std::pair(a, e);
  std::size_t b = a + rule.Pattern1.size();
  for (int i = 0; i < rule.LocationAfterPattern1; ++i)
    if ((b = text.find(rule.Pattern2, b + 1)) > e) return std::nullopt;
  return std::pair(a, b);
}

// Each line's stretch from Pattern1 to the end of Pattern2 (or of the text)
// becomes Pattern3; the next line starts at the first LF behind both the
// insertion and the line's first byte.
inline std::uint64_t replaceBetween(std::string& text, const Rule& rule) {
  std::uint64_t count = 0;
  for (std::size_t s = 0; s < text.size();) {
    std::size_t from = s + 1;
    const std::size_t e = std::min(text.find('\n', s + 1), text.size());  // the line's end
    if (const Element element = locate(text, rule, s, e)) {
      const auto [a, b] = *element;
      text.replace(a, b - a + rule.Pattern2.size(), rule.Pattern3);
      from = std::max(from, a + rule.Pattern3.size());
      ++count;
    }
    s = text.find('\n', from);
  }
  return count;
}

// Each stretch from a Pattern1 to the next Pattern2 behind it becomes
// Pattern3, searching on behind the insertion; the first search starts at
// byte 1. An empty marker that is not searched stands for where the search
// is (Pattern1) or for the end of the text (Pattern2).
inline std::uint64_t replaceBetweenInFile(std::string& text, const Rule& rule) {
  const bool leftHere = rule.LocationFromStart == 0 && rule.Pattern1.empty();
  const bool rightAtEnd = rule.LocationAfterPattern1 == 0 && rule.Pattern2.empty();
  std::uint64_t count = 0;
  for (std::size_t p = 0; p < text.size();) {
    const std::size_t a = leftHere ? p : text.find(rule.Pattern1, std::max<std::size_t>(p, 1));
    if (a == kNone) break;
    const std::size_t b =
        rightAtEnd ? text.size() : text.find(rule.Pattern2, a + rule.Pattern1.size() + 1);
    if (b == kNone) break;
    text.replace(a, b - a + rule.Pattern2.size(), rule.Pattern3);
    p = a + rule.Pattern3.size();
    ++count;
  }
  return count;
}

struct Placed {
  std::string segment, key;  // the segment holds the line with the LF in front of it
  std::uint64_t count;
  bool first;  // the input's first line
};

// Places the lines one by one: a line with an element goes before the first
// entry whose key is not less than its own (for SortDistinct an equal key
// only counts there), a line without one goes to the end. The key is the
// b - a bytes right behind Pattern1, cut at the end of the text. The counts:
// keyed lines placed, and lines without an element (or duplicates). The
// report lists each entry's key and count, highest count first, of equal
// counts the later entry first. A report asked for makes it SortDistinct.
inline Counts sort(std::string& text, const Rule& rule, Report* report) {
  const bool distinct = report != nullptr;
  std::vector<Placed> list;
  Counts counts;
  for (std::size_t s = 0, e; s < text.size(); s = e) {
    e = std::min(text.find('\n', s + 1), text.size());
    Placed line{text.substr(s, e - s), "", 1, s == 0};
    const Element element = locate(text, rule, s, e);
    if (!element) {
      list.push_back(line);
      counts.second += !distinct;
      continue;
    }
    const auto [a, b] = *element;
    line.key = text.substr(std::min(a + rule.Pattern1.size(), text.size()), b - a);
    const auto at =
        std::find_if(list.begin(), list.end(), [&](const Placed& p) { return p.key >= line.key; });
    const bool duplicate = distinct && at != list.end() && at->key == line.key;
    ++(duplicate ? counts.second : counts.first);
    if (duplicate) ++at->count;
    if (!duplicate) list.insert(at, line);
  }
  // A first line that moved gets a LF in front; the new first one loses its own.
  if (!list.empty() && !list[0].first) list[0].segment.erase(0, 1);
  text.clear();
  for (const Placed& p : list) {
    text += (p.first && !list[0].first ? "\n" : "") + p.segment;
    if (!distinct) continue;
    const auto at = std::find_if(report->begin(), report->end(),
                                 [&](const auto& entry) { return entry.second <= p.count; });
    report->emplace(at, p.key, p.count);
  }
  return counts;
}

// The rule's action on the text (unknown ones change nothing).
inline Counts apply(std::string& text, const Rule& rule, Report& report) {
  const std::int32_t a = rule.ActionType;
  report.clear();
  if (a == SortByElement || a == SortDistinct)
    return sort(text, rule, a == SortDistinct ? &report : nullptr);
  if (a == KeepLinesWith || a == DeleteLinesWith)
    return {filter(text, rule, a == KeepLinesWith), 0};
  if (a == Replace) return {replace(text, rule), 0};
  if (a == ReplaceBetween) return {replaceBetween(text, rule), 0};
  return {a == ReplaceBetweenInFile ? replaceBetweenInFile(text, rule) : 0, 0};
}

}  // namespace strovel::literal
