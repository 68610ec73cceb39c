// Fuzz target for the text-mode reader and writer. Reading raw bytes, whole
// or in pieces, must equal a plain byte-by-byte reading (stop at Ctrl-Z,
// CR LF to LF); writing a text in pieces of fuzzer-chosen sizes must give
// each LF as CR LF and nothing else changed; a failed write sticks.
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "platform/text_mode.h"
#include "support/memory_file_system.h"

FUZZ_TARGET(text_mode) {
  using namespace strovel;
  fuzz::ByteReader in(data, size);
  const std::size_t pieceSize = in.byte() % 16 + 1;
  const std::string raw = in.remaining();
  std::string literal;
  for (std::size_t i = 0; i < raw.size() && raw[i] != 26; ++i)
    if (raw[i] != '\r' || i + 1 == raw.size() || raw[i + 1] != '\n') literal += raw[i];

  std::string text = raw;
  fromTextMode(text);
  FUZZ_CHECK(text == literal);
  TextModeReader reader(pieceSize % 2 ? raw.size() : 0);
  for (std::size_t at = 0;
       at < raw.size() && reader.append(std::string_view(raw).substr(at, pieceSize));)
    at += pieceSize;
  FUZZ_CHECK(reader.take() == literal);

  RecordingFile out, failing(0);
  {
    TextModeWriter writer(out);
    for (std::size_t at = 0; at < text.size(); at += pieceSize)
      writer.write(std::string_view(text).substr(at, pieceSize));
    FUZZ_CHECK(writer.flush());
  }
  FUZZ_CHECK(out.all == crLf(literal));
  TextModeWriter writer(failing);
  writer.write(text);
  FUZZ_CHECK(writer.flush() == text.empty() && writer.ok() == text.empty());
}
