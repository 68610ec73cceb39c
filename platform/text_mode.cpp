// Text-mode conversions: reading collapses CR LF and stops at Ctrl-Z,
// writing expands LF to CR LF through a bounded buffer.
#include "platform/text_mode.h"

#include <cstring>

namespace strovel {

void fromTextMode(std::string& bytes) {
  const char* end26 = static_cast<const char*>(std::memchr(bytes.data(), 26, bytes.size()));
  const std::size_t length = end26 ? static_cast<std::size_t>(end26 - bytes.data()) : bytes.size();
  std::size_t out = 0;
  for (std::size_t in = 0; in < length; ++in) {
    if (bytes[in] == '\r' && in + 1 < length && bytes[in + 1] == '\n') continue;
    bytes[out++] = bytes[in];
  }
  bytes.resize(out);
}

void TextModeWriter::write(std::string_view text) {
  // Pieces of at most one chunk, so a long line is never copied whole.
  while (!text.empty() && ok_) {
    const std::string_view piece = text.substr(0, kChunk);
    const std::size_t lf = piece.find('\n');
    if (lf == std::string_view::npos) {
      buffer_.append(piece);
      text.remove_prefix(piece.size());
    } else {
      buffer_.append(piece.substr(0, lf));
      buffer_.append("\r\n");
      text.remove_prefix(lf + 1);
    }
    if (buffer_.size() >= kChunk) flush();
  }
}

bool TextModeWriter::flush() {
  if (ok_ && !buffer_.empty()) ok_ = out_.write(buffer_);
  buffer_.clear();
  return ok_;
}

}  // namespace strovel
