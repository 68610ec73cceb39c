// The three simplest actions: Replace, KeepLinesWith and DeleteLinesWith,
// on a text that arrives in pieces. Each passes the changed text to its sink
// and returns its count for the summary line when it finishes (see
// streaming_action.h for what they share). The filters
// keep or drop whole segments (a line with the LF in front of it); past the
// last LF of the text, a lone CR also ends a line.
//
//   std::string kept;
//   StreamFilter keep(rule /* Pattern1 "b" */, true, [&](std::string_view s) { kept += s; });
//   keep.append("a\nb");
//   keep.append("\nc");
//   keep.finish();  // kept == "\nb", returns 1
#pragma once

#include <string>
#include <string_view>

#include "engine/streaming_action.h"
#include "patterns/rule.h"

namespace strovel {

// KeepLinesWith (the segments in which Pattern1 begins) or DeleteLinesWith
// (the others). The kept stretches go to the sink as soon as they are
// decided; only the undecided end of the text (the current line, and as
// many bytes as Pattern1 needs to be seen whole) is held. The count is the
// number of segments in which Pattern1 begins.
class StreamFilter : public StreamingAction {
 public:
  // `window`: how much text gathers before a walk decides what it can.
  StreamFilter(const Rule& rule, bool keepMatching, TextSink sink, std::size_t window = 1 << 20);

 private:
  void walk(bool final) override;

  std::string pattern_;
  bool keepMatching_;
};

// Replace: turns every CR LF and then every lone CR into LF, then replaces
// each occurrence of Pattern1 by Pattern2, left to right, never searching
// text it inserted; the count is the number of replacements (0 for an empty
// Pattern1). Only the bytes that may still belong to an occurrence (fewer
// than Pattern1 has) are held back.
class StreamReplace : public StreamingAction {
 public:
  StreamReplace(const Rule& rule, TextSink sink, std::size_t window = 1 << 20);

 private:
  bool take(std::string_view text) override;
  void walk(bool final) override;

  std::string from_;
  std::string to_;
  bool pendingCr_ = false;  // a CR ended the last piece: LF whatever follows
};

}  // namespace strovel
