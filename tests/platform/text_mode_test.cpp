// Tests of the text-mode layer: the reading conversion (CR LF collapsed,
// Ctrl-Z ending the text, every other byte kept) as a table, and the
// TextModeWriter against a recording OutputFile, including texts longer
// than its internal chunk and an OutputFile whose writes fail.
#include "platform/text_mode.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace strovel {
namespace {

using namespace std::string_literals;

constexpr std::size_t kMiB = std::size_t{1} << 20;

TEST(FromTextMode, ConvertsFileBytesToText) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      // CR LF collapses; lone CRs, LF CR and zero bytes stay.
      {"a\r\nb\r\r\n\n\rc\0\xFF\r"s, "a\nb\r\n\n\rc\0\xFF\r"s},
      {"a\r\nb\r\x1A\ncd", "a\nb\r"},  // Ctrl-Z ends the text, a CR before it stays
      {"\x1A"s + "b\x1A", ""},
  };
  for (const auto& [bytes, text] : cases) {
    std::string converted = bytes;
    fromTextMode(converted);
    EXPECT_EQ(converted, text) << bytes;
  }
}

// Random texts of CR, LF, Ctrl-Z and a letter, long enough to cross the
// block and vector boundaries, against the byte-by-byte conversion.
TEST(TextModeReading, AgreesWithTheLiteralConversionOnRandomBytes) {
  std::mt19937 random(5);
  for (int round = 0; round < 300; ++round) {
    const std::size_t length = round < 200 ? random() % 100 : random() % 200000;
    const unsigned ctrlZOdds = round % 3 == 0 ? 50 : 1000000;
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) {
      const unsigned r = random() % 1000000;
      bytes += r < 500000 / ctrlZOdds ? '\x1A' : "\r\na\n\r\0"[r % 6];
    }
    std::string expected;
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != 26; ++i)
      if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) expected += bytes[i];
    std::string converted = bytes;
    fromTextMode(converted);
    ASSERT_EQ(converted, expected) << "round " << round;
    // The same bytes in random pieces, so CR LF pairs are split between pieces.
    TextModeReader reader(random() % 2 ? bytes.size() : 0);
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t piece = std::min<std::size_t>(bytes.size() - at, 1 + random() % 40);
      if (!reader.append(std::string_view(bytes).substr(at, piece))) break;
      at += piece;
    }
    ASSERT_EQ(reader.take(), expected) << "round " << round;
  }
}

// Keeps what it is handed; fails from call number `failAt` (counting from
// 0) on.
struct RecordingFile : OutputFile {
  explicit RecordingFile(std::size_t failAt = SIZE_MAX) : failAt(failAt) {}
  bool write(std::string_view bytes) override {
    if (calls++ >= failAt) return false;
    all += bytes;
    return true;
  }
  bool commit() override { return true; }

  std::size_t failAt;
  std::size_t calls = 0;
  std::string all;
};

TEST(TextModeWriter, WritesLfAsCrLfAndEveryOtherByteAsIs) {
  RecordingFile file;
  TextModeWriter writer(file);
  for (const std::string& piece : {"a\nb"s, ""s, "\n\r"s, "c\r\n\0\x1A"s, "\n"s}) {
    writer.write(piece);
  }
  EXPECT_TRUE(writer.flush());
  EXPECT_EQ(file.all, "a\r\nb\r\n\rc\r\r\n\0\x1A\r\n"s);
}

TEST(TextModeWriter, TextsLongerThanAChunkComeOutWhole) {
  const std::string longLine(2 * kMiB + 7, 'q');  // no LF for more than a chunk
  std::string lines;                              // many LFs, lines of every length up to 300
  for (std::size_t line = 0; lines.size() < 3 * kMiB; ++line) {
    lines += std::string(line % 300, static_cast<char>('a' + line % 26)) + "\n";
  }
  std::string expected;
  for (char c : longLine + "\n" + lines) expected += c == '\n' ? "\r\n"s : std::string(1, c);
  RecordingFile file;
  {
    TextModeWriter writer(file);
    writer.write(longLine + "\n");
    writer.write(lines);
    for (int i = 0; i < 100000; ++i) writer.write("x\n");  // the destructor flushes the rest
  }
  for (int i = 0; i < 100000; ++i) expected += "x\r\n";
  EXPECT_TRUE(file.all == expected);
  // Bounded chunks: nothing is handed over as one copy of a whole text.
  EXPECT_GT(file.calls, 5u);
}

TEST(TextModeWriter, AgreesWithTheLiteralExpansionOnRandomPieces) {
  std::mt19937 random(6);
  for (int round = 0; round < 100; ++round) {
    RecordingFile file;
    std::string expected;
    {
      TextModeWriter writer(file);
      for (int piece = random() % 20; piece > 0; --piece) {
        std::string text(random() % (round < 80 ? 80 : 300000), 'x');
        for (char& c : text) c = "\nab\r"[random() % 4];
        writer.write(text);
        for (char c : text) expected += c == '\n' ? "\r\n"s : std::string(1, c);
      }
    }
    ASSERT_TRUE(file.all == expected) << "round " << round;
  }
}

// A piece of nothing but LFs doubles; it must fit behind what is waiting.
TEST(TextModeWriter, PiecesOfLineBreaksAfterAFullBuffer) {
  RecordingFile file;
  {
    TextModeWriter writer(file);
    writer.write(std::string(kMiB - 1, 'a'));
    writer.write(std::string(kMiB, '\n'));
    writer.write(std::string(3 * kMiB, '\n'));
  }
  std::string expected(kMiB - 1, 'a');
  for (std::size_t i = 0; i < 4 * kMiB; ++i) expected += "\r\n";
  EXPECT_TRUE(file.all == expected);
}

TEST(TextModeWriter, FailedWriteSticks) {
  RecordingFile refusing(0);
  TextModeWriter failedFlush(refusing);
  failedFlush.write("a\n");
  EXPECT_FALSE(failedFlush.flush() || failedFlush.ok());

  RecordingFile file(1);
  {
    TextModeWriter writer(file);
    writer.write(std::string(kMiB, 'a'));  // the first chunk goes through
    writer.write(std::string(kMiB, 'b'));  // the second fails
    EXPECT_FALSE(writer.ok());
    writer.write("tail\n");
    EXPECT_FALSE(writer.flush());
  }
  EXPECT_EQ(file.calls, 2u);  // nothing tried after the failure, not even on destruction
  EXPECT_EQ(file.all, std::string(kMiB, 'a'));
}

}  // namespace
}  // namespace strovel
