// Element location and the two replacing actions. Both actions leave the
// text ahead of the walk untouched and build the result behind it (over the
// walked text itself while it fits, see ResultBuilder): what lies ahead is
// always an unchanged suffix of the original, so every search runs on the
// original with cached finders, and the whole action stays linear in the
// size of the text.
#include "engine/replace_between.h"

#include <string.h>

#include <algorithm>
#include <utility>

#include "engine/result_builder.h"

namespace strovel {

std::optional<Element> locateElement(MarkerFinders& finders, const Rule& rule, std::size_t s,
                                     std::size_t e) {
  std::size_t a = s;
  if (!rule.Pattern1.empty()) {
    for (std::int32_t i = 0; i < rule.LocationFromStart; ++i) {
      a = finders.left.find(a + 1);
      if (a == npos || a > e) return std::nullopt;
    }
  }
  if (rule.Pattern2.empty()) return Element{a, e};
  std::size_t b = a + rule.Pattern1.size();
  for (std::int32_t i = 0; i < rule.LocationAfterPattern1; ++i) {
    b = finders.right.find(b + 1);
    if (b == npos || b > e) return std::nullopt;
  }
  return Element{a, b};
}

std::uint64_t replaceBetween(std::string& text, const Rule& rule, const Progress& progress) {
  const std::string_view in = text;
  const std::string_view insert = rule.Pattern3;
  const bool searchesLeft = !rule.Pattern1.empty() && rule.LocationFromStart >= 1;
  MarkerFinders finders(in, rule);
  ProgressTicker ticker(progress, in.size());
  ResultBuilder out(text);  // the changed text before `rest`
  std::size_t rest = 0;     // in[rest..] follows it unchanged
  std::uint64_t count = 0;
  for (std::size_t s = 0;;) {
    ticker.at(s);
    const std::size_t lf = findByte(in, '\n', s + 1);
    const std::size_t e = lf != npos ? lf : in.size();
    if (e == s) break;
    const std::optional<Element> element = locateElement(finders, rule, s, e);
    std::size_t next;
    if (element) {
      const std::size_t a = element->a;
      const std::size_t length = std::min(element->b - a + rule.Pattern2.size(), in.size() - a);
      out.copy(rest, a);
      rest = a + length;
      out.insert(insert, rest);
      ++count;
      // Continue behind the insertion, and at least one byte past the line start.
      next = findByte(in, '\n', a + insert.size() >= s + 1 ? rest : rest + 1);
    } else {
      next = lf;
      if (searchesLeft && lf != npos) {
        // Lines that end before the next Pattern1 have no element: go on
        // with the line that holds it (it starts at the last LF before it).
        const std::size_t a = finders.left.find(lf + 1);
        if (a == npos) break;
        next = static_cast<std::size_t>(
            static_cast<const char*>(::memrchr(in.data() + lf, '\n', a - lf)) - in.data());
      }
    }
    if (next == npos) break;
    s = next;
  }
  out.copy(rest, in.size());
  out.finish();
  return count;
}

// The whole-text walk on the window, which starts at a line start with
// nothing replaced in it yet. Unless final, it stops at a line whose end,
// markers and continuation the window may not hold in full yet.
void StreamReplaceBetween::walk(bool final) {
  if (ended_) return;
  const std::string_view in = window_.text();
  const std::string_view insert = rule_.Pattern3;
  // What a line's walk reads lies within its end plus this: the stretch
  // ends at most |Pattern1| + |Pattern2| behind it (a Pattern2 that is not
  // searched sits right behind Pattern1), and the next line break follows.
  const std::size_t margin = rule_.Pattern1.size() + rule_.Pattern2.size() + 2;
  // A line is decided when a line break follows its own by the margin.
  const std::size_t lastLf = in.rfind('\n');
  MarkerFinders finders(in, rule_);
  std::size_t rest = 0;  // in[rest..] has not gone to the sink yet
  std::size_t s = 0;
  for (;;) {
    const std::size_t lf = findByte(in, '\n', s + 1);
    if (!final && (lf == npos || lastLf == npos || lf + margin > lastLf)) break;
    const std::size_t e = lf != npos ? lf : in.size();
    if (e == s) {
      ended_ = true;
      break;
    }
    const std::optional<Element> element = locateElement(finders, rule_, s, e);
    std::size_t next = lf;
    if (element) {
      const std::size_t a = element->a;
      const std::size_t length = std::min(element->b - a + rule_.Pattern2.size(), in.size() - a);
      sink_(in.substr(rest, a - rest));
      sink_(insert);
      rest = a + length;
      ++count_;
      next = findByte(in, '\n', a + insert.size() >= s + 1 ? rest : rest + 1);
    }
    if (next == npos) {
      ended_ = true;
      break;
    }
    s = next;
  }
  if (ended_) {
    sink_(in.substr(rest));
    window_.consume(in.size());
    return;
  }
  sink_(in.substr(rest, s - rest));
  window_.consume(s);
}

// The whole-text loop on the window. Unless final, a missing Pattern1 lets
// everything before its last possible start go, and a missing Pattern2
// (or one that would be the end of the text) holds the text from Pattern1.
void StreamReplaceInFile::walk(bool final) {
  const std::string_view in = window_.text();
  const bool leftAtScan = rule_.LocationFromStart == 0 && rule_.Pattern1.empty();
  const bool rightAtEnd = rule_.LocationAfterPattern1 == 0 && rule_.Pattern2.empty();
  Finder left(in, rule_.Pattern1);
  Finder right(in, rule_.Pattern2);
  std::size_t rest = 0;  // in[rest..] has not gone to the sink yet
  // A walk that stopped at a Pattern1 goes on with it, even at the end of
  // the text (Pattern2 may be the end itself).
  for (bool resume = std::exchange(resume_, false); rest < in.size() || resume; resume = false) {
    const std::size_t a = leftAtScan ? rest : left.find(first_ ? 1 : rest);
    if (a == npos) {
      // No Pattern1 can begin before `safe` any more.
      const std::size_t safe =
          in.size() + 1 > rule_.Pattern1.size() ? in.size() + 1 - rule_.Pattern1.size() : 0;
      if (!final && std::min(safe, in.size()) > rest) {
        sink_(in.substr(rest, std::min(safe, in.size()) - rest));
        rest = std::min(safe, in.size());
        first_ = false;
      }
      break;
    }
    const std::size_t b =
        rightAtEnd ? (final ? in.size() : npos) : right.find(a + rule_.Pattern1.size() + 1);
    if (b == npos) {
      if (!final) {
        sink_(in.substr(rest, a - rest));
        rest = a;
        first_ = first_ && a == 0;
        resume_ = true;
      }
      break;
    }
    sink_(in.substr(rest, a - rest));
    sink_(rule_.Pattern3);
    rest = std::min(b + rule_.Pattern2.size(), in.size());
    ++count_;
    first_ = false;
  }
  if (final) {
    sink_(in.substr(rest));
    rest = in.size();
  }
  window_.consume(rest);
}

std::uint64_t replaceBetweenInFile(std::string& text, const Rule& rule) {
  const std::string_view in = text;
  const std::string_view insert = rule.Pattern3;
  const bool leftAtScan = rule.LocationFromStart == 0 && rule.Pattern1.empty();
  const bool rightAtEnd = rule.LocationAfterPattern1 == 0 && rule.Pattern2.empty();
  Finder left(in, rule.Pattern1);
  Finder right(in, rule.Pattern2);
  ResultBuilder out(text);  // the changed text before `rest`
  std::size_t rest = 0;     // in[rest..] follows it unchanged
  std::uint64_t count = 0;
  // The very first search starts one byte in: a marker at position 0 is not
  // taken. After a replacement the search starts right behind the insertion.
  for (bool first = true; rest < in.size(); first = false) {
    const std::size_t a = leftAtScan ? rest : left.find(first ? 1 : rest);
    if (a == npos) break;
    const std::size_t b = rightAtEnd ? in.size() : right.find(a + rule.Pattern1.size() + 1);
    if (b == npos) break;
    out.copy(rest, a);
    rest = std::min(b + rule.Pattern2.size(), in.size());
    out.insert(insert, rest);
    ++count;
  }
  out.copy(rest, in.size());
  out.finish();
  return count;
}

}  // namespace strovel
