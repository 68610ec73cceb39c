// Literal versions of the actions, written step by step from their
// descriptions: in-place edits of one string, every search from scratch,
// placing lines one by one into a list. Slow and obviously right; the fast
// engine must give the same bytes and counts on any input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "patterns/rule.h"

namespace strovel::literal {

inline constexpr std::size_t kNone = std::string::npos;

inline std::size_t searchFrom(const std::string& text, const std::string& t, std::size_t p) {
  if (p > text.size()) return kNone;
  if (t.empty()) return p;
  return text.find(t, p);
}

inline std::size_t lineEnd(const std::string& text, std::size_t s) {
  const std::size_t lf = searchFrom(text, "\n", s + 1);
  return lf == kNone ? text.size() : lf;
}

inline std::uint64_t replace(std::string& text, const Rule& rule) {
  for (std::size_t p = text.find("\r\n"); p != kNone; p = text.find("\r\n", p + 1))
    text.replace(p, 2, "\n");
  for (char& c : text)
    if (c == '\r') c = '\n';
  if (rule.Pattern1.empty()) return 0;
  std::uint64_t count = 0;
  for (std::size_t p = searchFrom(text, rule.Pattern1, 0); p != kNone;
       p = searchFrom(text, rule.Pattern1, p + rule.Pattern2.size())) {
    text.replace(p, rule.Pattern1.size(), rule.Pattern2);
    ++count;
  }
  return count;
}

inline std::size_t filterLineEnd(const std::string& text, std::size_t s) {
  std::size_t e = searchFrom(text, "\n", s + 1);
  if (e == kNone) e = searchFrom(text, "\r", s + 1);
  return e == kNone ? text.size() : e;
}

inline std::uint64_t keepLines(std::string& text, const Rule& rule) {
  std::string result;
  std::uint64_t count = 0;
  for (std::size_t s = 0;;) {
    std::size_t e = filterLineEnd(text, s);
    if (e == s) break;
    const std::size_t f = searchFrom(text, rule.Pattern1, s);
    if (f == kNone) break;
    if (f < e) {
      result += text.substr(s, e - s);
      ++count;
    } else if (f / e > 100) {
      const std::size_t t = searchFrom(text, "\n", static_cast<std::size_t>(f * 0.9));
      if (t != kNone && e < t && t <= f) e = t;
    }
    s = e;
  }
  text = result;
  return count;
}

inline std::uint64_t deleteLines(std::string& text, const Rule& rule) {
  std::string result;
  std::uint64_t count = 0;
  for (std::size_t s = 0;;) {
    const std::size_t e = filterLineEnd(text, s);
    if (e == s) break;
    const std::size_t f = searchFrom(text, rule.Pattern1, s);
    if (f != kNone && f < e)
      ++count;
    else
      result += text.substr(s, e - s);
    s = e;
  }
  text = result;
  return count;
}

inline std::optional<std::pair<std::size_t, std::size_t>> locate(const std::string& text,
                                                                 const Rule& rule, std::size_t s,
                                                                 std::size_t e) {
  std::size_t a = s;
  if (!rule.Pattern1.empty() && rule.LocationFromStart > 0) {
    for (int i = 0; i < rule.LocationFromStart; ++i) {
      a = searchFrom(text, rule.Pattern1, a + 1);
      if (a == kNone || a > e) return std::nullopt;
    }
  }
  std::size_t b;
  if (rule.Pattern2.empty()) {
    b = e;
  } else {
    b = a + rule.Pattern1.size();
    for (int i = 0; i < rule.LocationAfterPattern1; ++i) {
      b = searchFrom(text, rule.Pattern2, b + 1);
      if (b == kNone || b > e) return std::nullopt;
    }
  }
  return std::make_pair(a, b);
}

inline std::uint64_t replaceBetween(std::string& text, const Rule& rule) {
  std::uint64_t count = 0;
  for (std::size_t s = 0;;) {
    const std::size_t e = lineEnd(text, s);
    if (e == s) break;
    std::size_t from = s + 1;
    if (auto element = locate(text, rule, s, e)) {
      const auto [a, b] = *element;
      text.erase(a, std::min(b - a + rule.Pattern2.size(), text.size() - a));
      text.insert(a, rule.Pattern3);
      ++count;
      from = std::max(s + 1, a + rule.Pattern3.size());
    }
    const std::size_t next = searchFrom(text, "\n", from);
    if (next == kNone) break;
    s = next;
  }
  return count;
}

inline std::uint64_t replaceBetweenInFile(std::string& text, const Rule& rule) {
  std::uint64_t count = 0;
  for (std::size_t p = 0;;) {
    if (p == text.size()) break;
    std::size_t a;
    if (rule.LocationFromStart == 0 && rule.Pattern1.empty()) {
      a = p;
    } else {
      a = searchFrom(text, rule.Pattern1, p == 0 ? 1 : p);
      if (a == kNone) break;
    }
    std::size_t b;
    if (rule.LocationAfterPattern1 == 0 && rule.Pattern2.empty()) {
      b = text.size();
    } else {
      b = searchFrom(text, rule.Pattern2, a + rule.Pattern1.size() + 1);
      if (b == kNone) break;
    }
    text.erase(a, b - a + rule.Pattern2.size());
    text.insert(a, rule.Pattern3);
    ++count;
    p = a + rule.Pattern3.size();
  }
  return count;
}

struct Placed {
  std::string segment;
  std::string key;
  std::uint64_t count = 1;
  bool first = false;  // the input's first line
};

// Walks the lines and places them one by one; distinct selects SortDistinct.
inline std::vector<Placed> place(const std::string& text, const Rule& rule, bool distinct,
                                 std::uint64_t& first, std::uint64_t& second) {
  std::vector<Placed> list;
  first = second = 0;
  for (std::size_t s = 0;;) {
    const std::size_t e = lineEnd(text, s);
    if (e == s) break;
    Placed entry{text.substr(s, e - s), "", 1, s == 0};
    auto element = locate(text, rule, s, e);
    if (!element) {
      list.push_back(entry);
      if (!distinct) ++second;
    } else {
      const auto [a, b] = *element;
      const std::size_t keyAt = std::min(a + rule.Pattern1.size(), text.size());
      entry.key = text.substr(keyAt, std::min(b - a, text.size() - keyAt));
      std::size_t i = 0;
      while (i < list.size() && list[i].key < entry.key) ++i;
      if (distinct && i < list.size() && list[i].key == entry.key) {
        ++list[i].count;
        ++second;
      } else {
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(i), entry);
        ++first;
      }
    }
    const std::size_t next = searchFrom(text, "\n", s + 1);
    if (next == kNone) break;
    s = next;
  }
  return list;
}

// Joins the placed segments; a first line that moved gets a LF in front and
// the new first segment loses its own.
inline std::string join(const std::vector<Placed>& list) {
  if (list.empty() || list[0].first) {
    std::string out;
    for (const Placed& p : list) out += p.segment;
    return out;
  }
  std::string out;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i == 0)
      out += list[i].segment.substr(1);
    else
      out += (list[i].first ? "\n" : "") + list[i].segment;
  }
  return out;
}

inline std::pair<std::uint64_t, std::uint64_t> sortByElement(std::string& text, const Rule& rule) {
  std::uint64_t first, second;
  const std::vector<Placed> list = place(text, rule, false, first, second);
  if (!list.empty()) text = join(list);
  return {first, second};
}

inline std::pair<std::uint64_t, std::uint64_t> sortDistinct(
    std::string& text, const Rule& rule,
    std::vector<std::pair<std::string, std::uint64_t>>& report) {
  std::uint64_t first, second;
  const std::vector<Placed> list = place(text, rule, true, first, second);
  if (!list.empty()) text = join(list);
  report.clear();
  std::vector<const Placed*> order;
  for (const Placed& p : list) {
    std::size_t i = 0;
    while (i < order.size() && order[i]->count > p.count) ++i;
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(i), &p);
  }
  for (const Placed* p : order) report.emplace_back(p->key, p->count);
  return {first, second};
}

}  // namespace strovel::literal
