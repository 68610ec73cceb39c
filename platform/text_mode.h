// Text-mode file semantics, as the product's files have always had them:
// on reading, CR LF becomes LF and a byte 26 (Ctrl-Z) ends the text; on
// writing, every LF becomes CR LF. Every other byte, a lone CR or a zero
// byte included, passes unchanged.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
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

// Writes text to an OutputFile in text mode, in bounded chunks so that a
// large text is never copied whole. A full chunk goes to the file from a
// second thread while the next one is being filled, so converting and
// writing overlap. A failed write sticks: ok() stays false, and nothing is
// written after it.
class TextModeWriter {
 public:
  explicit TextModeWriter(OutputFile& out);
  ~TextModeWriter();
  void write(std::string_view text);
  // Hands everything buffered to the file and waits for it; returns ok().
  bool flush();
  // Whether every write so far has succeeded (waits for the one under way).
  bool ok();

 private:
  static constexpr std::size_t kChunk = 1 << 20;
  static constexpr std::size_t kSlack = 16;  // expansion stores whole 16-byte blocks
  void handOver();
  void waitForWrite();
  void writeInBackground();

  OutputFile& out_;
  void reserve(std::size_t size);

  std::unique_ptr<char[]> buffers_[2];
  std::size_t capacities_[2] = {0, 0};
  int filling_ = 0;  // the buffer write() fills
  std::size_t used_ = 0;
  bool ok_ = true;
  // The background write: one at a time, from the buffer not being filled.
  std::thread writer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string_view job_;
  bool hasJob_ = false;
  bool jobOk_ = true;
  bool stop_ = false;
};

}  // namespace strovel
