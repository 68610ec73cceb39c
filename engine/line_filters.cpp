// Replace and the two line filters. The filters walk segments: a segment
// runs from its start (0, or the LF ending the line before) to the first LF
// after that start, or, once no LF is left, to the first lone CR, or to the
// end of the text.
#include "engine/line_filters.h"

#include "engine/text_search.h"

namespace strovel {
namespace {

// Every CR LF becomes LF, then every remaining CR becomes LF.
void unifyLineBreaks(std::string& text) {
  std::size_t out = 0;
  for (std::size_t in = 0; in < text.size(); ++in) {
    char c = text[in];
    if (c == '\r') {
      if (in + 1 < text.size() && text[in + 1] == '\n') continue;
      c = '\n';
    }
    text[out++] = c;
  }
  text.resize(out);
}

class FilterLines {
 public:
  explicit FilterLines(std::string_view text) : text_(text), lastLf_(text.rfind('\n')) {}

  // End of the segment that starts at s (s itself when the text is used up).
  std::size_t end(std::size_t s) const {
    const std::size_t from = s + 1;
    if (lastLf_ != npos && from <= lastLf_) return findByte(text_, '\n', from);
    const std::size_t cr = findByte(text_, '\r', from);
    return cr != npos ? cr : text_.size();
  }

 private:
  std::string_view text_;
  std::size_t lastLf_;
};

}  // namespace

std::uint64_t replaceText(std::string& text, const Rule& rule) {
  unifyLineBreaks(text);
  const std::string_view from = rule.Pattern1;
  const std::string_view to = rule.Pattern2;
  if (from.empty()) return 0;

  // Count first, so the new text is built with one allocation.
  std::uint64_t count = 0;
  for (std::size_t at = findIn(text, from, 0); at != npos;
       at = findIn(text, from, at + from.size()))
    ++count;
  if (count == 0) return 0;

  std::string result;
  result.reserve(text.size() - count * from.size() + count * to.size());
  std::size_t copied = 0;
  for (std::size_t at = findIn(text, from, 0); at != npos; at = findIn(text, from, copied)) {
    result.append(text, copied, at - copied);
    result.append(to);
    copied = at + from.size();
  }
  result.append(text, copied, npos);
  text.swap(result);
  return count;
}

namespace {

// The walk both filters share. Keeping stops as soon as no occurrence is
// left and skips ahead over long stretches without one; deleting examines
// every line. Returns how many segments held an occurrence.
std::uint64_t filterLines(std::string& text, const Rule& rule, const Progress& progress,
                          bool keepMatching) {
  const FilterLines lines(text);
  Finder pattern(text, rule.Pattern1);
  std::string result;
  result.reserve(text.size());
  std::uint64_t matching = 0;
  std::uint64_t lineCounter = 0;
  for (std::size_t s = 0;;) {
    if (++lineCounter % 10 == 0 && progress) progress(s);
    std::size_t e = lines.end(s);
    if (e == s) break;
    const std::size_t found = pattern.find(s);
    if (keepMatching && found == npos) break;
    const bool inLine = found != npos && found < e;
    if (inLine) ++matching;
    if (inLine == keepMatching) result.append(text, s, e - s);
    if (keepMatching && !inLine && found / e > 100) {
      // Far ahead: jump close to the occurrence instead of walking every line.
      const std::size_t t = findByte(text, '\n', static_cast<std::size_t>(found * 0.9));
      if (t != npos && e < t && t <= found) e = t;
    }
    s = e;
  }
  text.swap(result);
  return matching;
}

}  // namespace

std::uint64_t keepLinesWith(std::string& text, const Rule& rule, const Progress& progress) {
  return filterLines(text, rule, progress, true);
}

std::uint64_t deleteLinesWith(std::string& text, const Rule& rule, const Progress& progress) {
  return filterLines(text, rule, progress, false);
}

}  // namespace strovel
