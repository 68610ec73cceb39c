// Small pieces of text gathered in a buffer that stays in the cache, so
// that the sink is called for large ones: an action that cuts its text at
// every match would otherwise make several calls down the chain per match.
// A piece that is large already goes straight on (after what was gathered).
//
//   Gatherer gathered(sink);
//   gathered.add("a");
//   gathered.add("b");
//   gathered.flush();  // sink("ab")
//
// What is still gathered when it goes is dropped: the sink may throw, which
// a destructor must not pass on, so flush() is the caller's last step.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/text_sink.h"

namespace strovel {

class Gatherer {
 public:
  explicit Gatherer(const TextSink& out) : out_(out) {}
  Gatherer(const Gatherer&) = delete;
  Gatherer& operator=(const Gatherer&) = delete;
  void lineBreak() { add("\n"); }
  void add(std::string_view piece) {
    if (piece.size() >= kGather) {
      flush();
      out_(piece);
      return;
    }
    if (gathered_.capacity() < kGather) gathered_.reserve(kGather);
    gathered_.append(piece);
    if (gathered_.size() >= kGather) flush();
  }
  void flush() {
    if (!gathered_.empty()) out_(gathered_);
    gathered_.clear();
  }

 private:
  static constexpr std::size_t kGather = 64 * 1024;
  const TextSink& out_;
  std::string gathered_;
};

}  // namespace strovel
