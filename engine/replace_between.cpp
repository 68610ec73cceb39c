// Element location and the two replacing actions. Each walk runs over the
// window of undecided text, which it never changes: the changed text goes
// to the sink piece by piece, so every search runs on the window with
// cached finders.
#include "engine/replace_between.h"

#include <algorithm>
#include <utility>

#include "engine/gatherer.h"

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

// The line walk on the window, which starts at a line start with nothing
// replaced in it yet. Unless final, it stops at a line whose end, markers
// and continuation the window may not hold in full yet.
void StreamReplaceBetween::walk(bool final) {
  if (ended_) return;
  const std::string_view in = window_.text();
  const std::string_view insert = rule_.Pattern3;
  // What a line's walk reads lies within its end plus this: the stretch
  // ends at most |Pattern1| + |Pattern2| behind it (a Pattern2 that is not
  // searched sits right behind Pattern1), and the next line break follows.
  const std::size_t margin = rule_.Pattern1.size() + rule_.Pattern2.size() + 2;
  MarkerFinders finders(in, rule_);
  Gatherer gathered(sink_);
  std::size_t rest = 0;  // in[rest..] has not gone to the sink yet
  const std::size_t stop =
      walkDecidedLines(in, margin, final, [&](std::size_t s, std::size_t e, std::size_t lf) {
        const std::optional<Element> element = locateElement(finders, rule_, s, e);
        if (!element) return lf;
        const std::size_t a = element->a;
        const std::size_t length = std::min(element->b - a + rule_.Pattern2.size(), in.size() - a);
        gathered.add(in.substr(rest, a - rest));
        gathered.add(insert);
        rest = a + length;
        ++count_;
        return findByte(in, '\n', a + insert.size() >= s + 1 ? rest : rest + 1);
      });
  ended_ = stop == npos;
  const std::size_t decided = ended_ ? in.size() : stop;
  gathered.add(in.substr(rest, decided - rest));
  gathered.flush();
  window_.consume(decided);
}

// The search loop on the window. Unless final, a missing Pattern1 lets
// everything before its last possible start go, and a missing Pattern2
// (or one that would be the end of the text) holds the text from Pattern1.
void StreamReplaceInFile::walk(bool final) {
  const std::string_view in = window_.text();
  const bool leftAtScan = rule_.LocationFromStart == 0 && rule_.Pattern1.empty();
  const bool rightAtEnd = rule_.LocationAfterPattern1 == 0 && rule_.Pattern2.empty();
  Finder left(in, rule_.Pattern1);
  Finder right(in, rule_.Pattern2);
  Gatherer gathered(sink_);
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
        gathered.add(in.substr(rest, std::min(safe, in.size()) - rest));
        rest = std::min(safe, in.size());
        first_ = false;
      }
      break;
    }
    const std::size_t b =
        rightAtEnd ? (final ? in.size() : npos) : right.find(a + rule_.Pattern1.size() + 1);
    if (b == npos) {
      if (!final) {
        gathered.add(in.substr(rest, a - rest));
        rest = a;
        first_ = first_ && a == 0;
        resume_ = true;
      }
      break;
    }
    gathered.add(in.substr(rest, a - rest));
    gathered.add(rule_.Pattern3);
    rest = std::min(b + rule_.Pattern2.size(), in.size());
    ++count_;
    first_ = false;
  }
  if (final) {
    gathered.add(in.substr(rest));
    rest = in.size();
  }
  gathered.flush();
  window_.consume(rest);
}

}  // namespace strovel
