// Replace and the two line filters. The filters walk segments: a segment
// runs from its start (0, or the LF ending the line before) to the first LF
// after that start, or, once no LF is left, to the first lone CR, or to the
// end of the text.
#include "engine/line_filters.h"

#include <string.h>

#include <algorithm>
#include <cstring>

#include "engine/gatherer.h"
#include "engine/text_search.h"

namespace strovel {
namespace {

// Every CR LF becomes LF, then every remaining CR becomes LF. Texts
// usually hold no CR at all by now, so the walk jumps from CR to CR.
// Only text[from..] is looked at (the rest is unified already).
void unifyLineBreaks(std::string& text, std::size_t from = 0) {
  char* const p = text.data();
  std::size_t in = findByte(text, '\r', from);
  if (in == npos) return;
  std::size_t out = in;
  while (in != npos) {
    const bool crLf = in + 1 < text.size() && p[in + 1] == '\n';
    if (!crLf) p[out++] = '\n';
    const std::size_t next = findByte(text, '\r', in + 1);
    const std::size_t copyEnd = next == npos ? text.size() : next;
    std::memmove(p + out, p + in + 1, copyEnd - in - 1);
    out += copyEnd - in - 1;
    in = next;
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

namespace {

// The walk both filters share, over text[0, ...) where text starts at a
// segment start. Up to lastLf every segment ends at a LF, and the walk jumps
// from occurrence to occurrence, handing the lines in between on as one
// block; when `final`, the segments behind lastLf (ended by lone CRs) follow
// one by one. keep(from, to) receives the kept stretches in order. Returns
// where the walk stopped (lastLf, or the text's end when final).
template <typename Keep>
std::size_t walkSegments(std::string_view text, std::size_t lastLf, bool final, Finder& pattern,
                         bool keepMatching, std::uint64_t& matching, Keep&& keep) {
  std::size_t s = 0;
  while (lastLf != npos && s < lastLf) {
    const std::size_t found = pattern.find(s);
    if (found == npos || found >= lastLf) {
      if (!keepMatching) keep(s, lastLf);
      s = lastLf;
      break;
    }
    // The segment holding the occurrence starts at the last LF at or before it.
    std::size_t start = s;
    if (found > s) {
      const void* lf = ::memrchr(text.data() + s + 1, '\n', found - s);
      if (lf) start = static_cast<std::size_t>(static_cast<const char*>(lf) - text.data());
    }
    const std::size_t end = findByte(text, '\n', start + 1);
    if (keepMatching) {
      keep(start, end);
    } else {
      keep(s, start);
    }
    ++matching;
    s = end;
  }
  if (!final) return s;
  const FilterLines lines(text);
  for (;;) {
    const std::size_t e = lines.end(s);
    if (e == s) return s;
    const std::size_t found = pattern.find(s);
    const bool inLine = found != npos && found < e;
    if (inLine) ++matching;
    if (inLine == keepMatching) keep(s, e);
    s = e;
  }
}

}  // namespace

StreamFilter::StreamFilter(const Rule& rule, bool keepMatching, TextSink sink, std::size_t window)
    : StreamingAction(std::move(sink), window),
      pattern_(rule.Pattern1),
      keepMatching_(keepMatching) {}

// Decides the segments of the window that are complete: those ending at a
// LF behind which the window holds enough bytes to see every occurrence
// that begins in them. The rest waits for more text.
void StreamFilter::walk(bool final) {
  const std::string_view text = window_.text();
  std::size_t lastLf = text.rfind('\n');
  if (!final) {
    const std::size_t reach = pattern_.empty() ? 0 : pattern_.size() - 1;
    lastLf = text.size() <= reach ? npos : text.rfind('\n', text.size() - 1 - reach);
    if (lastLf == 0 || lastLf == npos) return;
  }
  Finder finder(text, pattern_);
  // Stretches that touch go on as one.
  std::size_t from = 0, to = 0;
  const std::size_t stop = walkSegments(text, lastLf, final, finder, keepMatching_, count_,
                                        [&](std::size_t start, std::size_t end) {
                                          if (start != to) {
                                            if (to > from) sink_(text.substr(from, to - from));
                                            from = start;
                                          }
                                          to = end;
                                        });
  if (to > from) sink_(text.substr(from, to - from));
  window_.consume(stop);
}

StreamReplace::StreamReplace(const Rule& rule, TextSink sink, std::size_t window)
    : StreamingAction(std::move(sink), window), from_(rule.Pattern1), to_(rule.Pattern2) {}

bool StreamReplace::take(std::string_view text) {
  if (text.empty()) return false;
  // Unify the piece's line breaks as the whole text would have them: a CR
  // becomes LF, and a CR LF pair becomes its LF, even across pieces.
  std::string& window = window_.bytes();
  const std::size_t start = window.size();
  if (pendingCr_ && text.front() != '\n') window.push_back('\n');
  pendingCr_ = text.back() == '\r';
  window.append(text.substr(0, text.size() - (pendingCr_ ? 1 : 0)));
  unifyLineBreaks(window, start);
  return window_.due();
}

void StreamReplace::walk(bool final) {
  if (final && pendingCr_) window_.bytes().push_back('\n');
  pendingCr_ = pendingCr_ && !final;
  const std::string_view text = window_.text();
  std::size_t copied = 0;
  Gatherer gathered(sink_);
  if (!from_.empty()) {
    for (std::size_t at = findIn(text, from_, 0); at != npos; at = findIn(text, from_, copied)) {
      gathered.add(text.substr(copied, at - copied));
      gathered.add(to_);
      copied = at + from_.size();
      ++count_;
    }
  }
  // An occurrence may still begin in the last |Pattern1| - 1 bytes.
  const std::size_t held = final || from_.empty() ? 0 : from_.size() - 1;
  const std::size_t safe = text.size() > held ? text.size() - held : 0;
  if (safe > copied) {
    gathered.add(text.substr(copied, safe - copied));
    copied = safe;
  }
  gathered.flush();
  window_.consume(copied);
}

}  // namespace strovel
