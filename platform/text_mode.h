// Text-mode file semantics, as the product's files have always had them:
// on reading, CR LF becomes LF and a byte 26 (Ctrl-Z) ends the text; on
// writing, every LF becomes CR LF. Every other byte, a lone CR or a zero
// byte included, passes unchanged.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/file_system.h"

namespace strovel {

// Turns raw file bytes into text in place (shrinks the string).
void fromTextMode(std::string& bytes);

// Turns raw file bytes into text as they arrive piece by piece, straight
// into one buffer (sized for the whole file when that is known), so a file
// is read and converted in a single pass.
class TextModeReader {
 public:
  explicit TextModeReader(std::size_t expectedSize);
  // Converts the next piece; false once a Ctrl-Z has ended the text (the
  // rest of the file does not count).
  bool append(std::string_view raw);
  std::string take();
  // The text converted since the last drain (valid until the next append):
  // for reading piece by piece through a small buffer.
  std::string_view drain() { return std::string_view(text_.data(), std::exchange(used_, 0)); }
  // The same at the end of the text, a held-back CR included.
  std::string_view drainLast();

 private:
  std::string text_;  // the first used_ bytes hold the text
  std::size_t used_ = 0;
  bool pendingCr_ = false;  // the last piece ended in a CR that may precede a LF
  bool ended_ = false;
};

// Writes text to a file (or a spool) in text mode, in bounded chunks so that a
// large text is never copied whole. A failed write sticks: ok() stays
// false, and nothing is written after it.
class TextModeWriter {
 public:
  explicit TextModeWriter(ByteSink& out) : out_(out) {}
  ~TextModeWriter() { flush(); }
  void write(std::string_view text);
  // Hands buffered bytes to the file; returns ok().
  bool flush();
  bool ok() const { return ok_; }

 private:
  static constexpr std::size_t kChunk = 1 << 20;
  static constexpr std::size_t kSlack = 16;  // expansion stores whole 16-byte blocks
  void reserve(std::size_t size);

  ByteSink& out_;
  std::unique_ptr<char[]> buffer_;  // capacity_ bytes, used_ of them filled
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  bool ok_ = true;
};

}  // namespace strovel
