// Builds the changed text of a walk out of pieces of the walked text and
// inserted bytes, without a second buffer as long as it can: the result is
// written over the walked text itself for as long as it stays behind the
// point the walk still reads from. An insertion that would overtake it moves
// the result into a buffer of its own, and the rest goes there.
//
//   ResultBuilder result(text);           // text = "a[bc]d"
//   result.copy(0, 1);                    // "a"
//   result.insert("<>", 5);               // the walk goes on reading at 5
//   result.copy(5, text.size());          // "a<>d"
//   result.finish();                      // text = "a<>d"
#pragma once

#include <cstring>
#include <string>
#include <string_view>

namespace strovel {

class ResultBuilder {
 public:
  explicit ResultBuilder(std::string& text) : text_(text) {}

  // Appends text[from, to). Pieces come in text order, and from is never
  // below the read position given with an earlier insert().
  void copy(std::size_t from, std::size_t to) {
    if (to <= from) return;
    if (own_) {
      result_.append(text_, from, to - from);
    } else {
      if (out_ != from) std::memmove(text_.data() + out_, text_.data() + from, to - from);
      out_ += to - from;
    }
  }

  // Appends bytes; the walk reads nothing below readFrom from now on.
  void insert(std::string_view bytes, std::size_t readFrom) {
    if (!own_ && out_ + bytes.size() > readFrom) {
      own_ = true;
      result_.reserve(text_.size() + bytes.size());
      result_.assign(text_, 0, out_);
    }
    if (own_) {
      result_.append(bytes);
    } else {
      std::memcpy(text_.data() + out_, bytes.data(), bytes.size());
      out_ += bytes.size();
    }
  }

  // The text becomes the result.
  void finish() {
    if (own_) {
      text_.swap(result_);
    } else {
      text_.resize(out_);
    }
  }

 private:
  std::string& text_;
  std::string result_;  // used once the result has its own buffer
  std::size_t out_ = 0;
  bool own_ = false;
};

}  // namespace strovel
