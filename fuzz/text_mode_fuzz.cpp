// Fuzz target for the text-mode reader and writer. Reading raw bytes, whole
// or in pieces, must equal a plain byte-by-byte reading (stop at Ctrl-Z,
// CR LF to LF); writing
// a text in pieces of fuzzer-chosen sizes must give each LF as CR LF and
// nothing else changed, and reading that back must give the text again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "platform/text_mode.h"

namespace {

// Collects what the writer hands over; fails every write from failAfter on.
class MemoryOutput : public strovel::OutputFile {
 public:
  explicit MemoryOutput(std::size_t failAfter) : failAfter_(failAfter) {}
  bool write(std::string_view bytes) override {
    if (writes_++ >= failAfter_) return false;
    content += bytes;
    return true;
  }
  bool commit() override { return true; }
  std::string content;

 private:
  std::size_t failAfter_;
  std::size_t writes_ = 0;
};

std::string readLiterally(std::string_view raw) {
  std::string text;
  for (std::size_t i = 0; i < raw.size() && raw[i] != 26; ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text += raw[i];
  }
  return text;
}

std::string writtenLiterally(std::string_view text) {
  std::string raw;
  for (char c : text) {
    if (c == '\n') raw += '\r';
    raw += c;
  }
  return raw;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace strovel;
  fuzz::ByteReader in(data, size);
  const std::size_t pieceSize = in.byte() % 16 + 1;
  const std::string raw = in.rest();

  std::string text = raw;
  fromTextMode(text);
  FUZZ_CHECK(text == readLiterally(raw));

  // Reading piece by piece, as files are read, gives the same text.
  TextModeReader reader(pieceSize % 2 ? raw.size() : 0);
  for (std::size_t at = 0;
       at < raw.size() && reader.append(std::string_view(raw).substr(at, pieceSize));)
    at += pieceSize;
  FUZZ_CHECK(reader.take() == text);

  MemoryOutput out(static_cast<std::size_t>(-1));
  {
    TextModeWriter writer(out);
    for (std::size_t at = 0; at < text.size(); at += pieceSize)
      writer.write(std::string_view(text).substr(at, pieceSize));
    FUZZ_CHECK(writer.flush());
  }
  FUZZ_CHECK(out.content == writtenLiterally(text));
  std::string back = out.content;
  fromTextMode(back);
  FUZZ_CHECK(back == text);

  // A failed write sticks.
  MemoryOutput failing(0);
  TextModeWriter writer(failing);
  writer.write(text);
  FUZZ_CHECK(writer.flush() == text.empty());
  FUZZ_CHECK(writer.ok() == text.empty());
  return 0;
}
