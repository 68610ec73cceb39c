// The undecided end of a text that a streaming action receives in pieces.
// The action looks at it once it has grown by the window size, and after
// that only when it has doubled, so that a window in which nothing can be
// decided yet (one very long line) costs linear time in all.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace strovel {

class StreamWindow {
 public:
  explicit StreamWindow(std::size_t size) : size_(size), next_(size) {}
  // Appends text; true when the action should look at the window now.
  bool append(std::string_view text) {
    text_.append(text);
    return due();
  }
  // True when the window has grown enough to be looked at again; the next
  // look then waits until it has doubled (or until consume() shrinks it).
  bool due() {
    if (text_.size() < next_) return false;
    next_ = std::max(size_, 2 * text_.size());
    examined_ = consumed_ + text_.size();
    return true;
  }
  std::string_view text() const { return text_; }
  std::string& bytes() { return text_; }
  // Drops the first n bytes, which the action has decided.
  void consume(std::size_t n) {
    text_.erase(0, n);
    consumed_ += n;
    next_ = std::max(size_, 2 * text_.size());
  }
  // The bytes decided so far, and those the action had when it last
  // looked (what its counts cover once that look is over, but for a few
  // bytes at the end).
  std::uint64_t consumed() const { return consumed_; }
  std::uint64_t examined() const { return examined_; }

 private:
  std::uint64_t consumed_ = 0;
  std::uint64_t examined_ = 0;
  std::string text_;
  std::size_t size_;
  std::size_t next_;  // the size at which to look again
};

}  // namespace strovel
