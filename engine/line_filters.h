// The three simplest actions: Replace, KeepLinesWith and DeleteLinesWith,
// on a text that arrives in pieces. Each passes the changed text to its sink
// and returns its count for the summary line when it finishes. The filters
// keep or drop whole segments (a line with the LF in front of it); past the
// last LF of the text, a lone CR also ends a line.
//
//   std::string kept;
//   StreamFilter keep(rule /* Pattern1 "b" */, true, [&](std::string_view s) { kept += s; });
//   keep.append("a\nb");
//   keep.append("\nc");
//   keep.finish();  // kept == "\nb", returns 1
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/stream_window.h"
#include "patterns/rule.h"

namespace strovel {

// KeepLinesWith (the segments in which Pattern1 begins) or DeleteLinesWith
// (the others). The kept stretches go to the sink as soon as they are
// decided; only the undecided end of the text (the current line, and as
// many bytes as Pattern1 needs to be seen whole) is held. The count is the
// number of segments in which Pattern1 begins.
class StreamFilter {
 public:
  using Sink = std::function<void(std::string_view kept)>;
  // `window`: how much text gathers before a walk decides what it can.
  StreamFilter(const Rule& rule, bool keepMatching, Sink sink, std::size_t window = 1 << 20);
  void append(std::string_view text);
  // Decides the rest; returns how many segments held an occurrence.
  std::uint64_t finish();
  // The count so far, over the bytes the window has examined.
  std::uint64_t count() const { return matching_; }
  const StreamWindow& window() const { return window_; }

 private:
  void walk(bool final);

  std::string pattern_;
  bool keepMatching_;
  Sink sink_;
  StreamWindow window_;  // from a segment start on
  std::uint64_t matching_ = 0;
};

// Replace: turns every CR LF and then every lone CR into LF, then replaces
// each occurrence of Pattern1 by Pattern2, left to right, never searching
// text it inserted; the count is the number of replacements (0 for an empty
// Pattern1). Only the bytes that may still belong to an occurrence (fewer
// than Pattern1 has) are held back.
class StreamReplace {
 public:
  using Sink = std::function<void(std::string_view replaced)>;
  StreamReplace(const Rule& rule, Sink sink, std::size_t window = 1 << 20);
  void append(std::string_view text);
  // Replaces in the rest; returns the number of replacements.
  std::uint64_t finish();
  std::uint64_t count() const { return count_; }
  const StreamWindow& window() const { return window_; }

 private:
  void replace(bool final);

  std::string from_;
  std::string to_;
  Sink sink_;
  StreamWindow window_;     // line breaks already unified
  bool pendingCr_ = false;  // a CR ended the last piece: LF whatever follows
  std::uint64_t count_ = 0;
};

}  // namespace strovel
