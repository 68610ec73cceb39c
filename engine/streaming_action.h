// What every streaming action holds, written once: the undecided end of
// its text (a StreamWindow), the sink that takes the decided text, and the
// count its summary line reports. The text comes in pieces through
// append(); whenever the window has grown enough the action's walk decides
// what it can, passes it on and drops it from the window; finish() decides
// the rest. Nothing is held but what is still undecided.
//
//   class Upper : public StreamingAction {
//     void walk(bool final) override { sink_(upper(window_.text())); window_.consume(all); }
//   };
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "engine/stream_window.h"
#include "engine/text_search.h"
#include "engine/text_sink.h"

namespace strovel {

class StreamingAction {
 public:
  virtual ~StreamingAction() = default;
  void append(std::string_view text) {
    if (take(text)) walk(false);
  }
  // Decides the rest of the text; returns the count.
  std::uint64_t finish() {
    walk(true);
    return count_;
  }
  // The count so far, over the bytes the window has examined.
  std::uint64_t count() const { return count_; }
  const StreamWindow& window() const { return window_; }

 protected:
  // `window`: how much text gathers before a walk decides what it can.
  StreamingAction(TextSink sink, std::size_t window) : sink_(std::move(sink)), window_(window) {}
  // Adds a piece to the window; true when a walk is due.
  virtual bool take(std::string_view text) { return window_.append(text); }
  // Decides what the window allows (all of it when final), passes it to
  // the sink and consumes it from the window.
  virtual void walk(bool final) = 0;

  TextSink sink_;
  StreamWindow window_;
  std::uint64_t count_ = 0;  // for the actions whose summary line reports one count
};

// The walk over the lines of a window that starts at a line start, for the
// actions that look at each line whole: unless `final`, a line is decided
// once a line break follows its own by `margin` bytes, so that its markers
// and what lies right behind them are seen whole. visit(s, e, lf) handles
// the line [s, e) (its segment: the LF in front, then the line) and gives
// where the next line starts, npos when the text has ended; lf is the line
// break that ends the line, npos for the last one. Returns the start of the
// first line not decided, or npos once the text has ended.
template <typename Visit>
std::size_t walkDecidedLines(std::string_view in, std::size_t margin, bool final, Visit&& visit) {
  const std::size_t lastLf = in.rfind('\n');
  for (std::size_t s = 0;;) {
    const std::size_t lf = findByte(in, '\n', s + 1);
    if (!final && (lf == npos || lastLf == npos || lf + margin > lastLf)) return s;
    const std::size_t e = lf != npos ? lf : in.size();
    if (e == s) return npos;
    s = visit(s, e, lf);
    if (s == npos) return npos;
  }
}

}  // namespace strovel
