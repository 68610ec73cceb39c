// Tests of the text-mode layer: the reading conversion (CR LF collapsed,
// Ctrl-Z ending the text, every other byte kept) as a table, and the
// TextModeWriter against a recording OutputFile, including texts longer
// than its internal chunk and an OutputFile whose writes fail.
#include "platform/text_mode.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace strovel {
namespace {

using namespace std::string_literals;

constexpr std::size_t kMiB = std::size_t{1} << 20;

struct ReadCase {
  const char* name;
  std::string bytes;
  std::string text;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class FromTextModeTest : public testing::TestWithParam<ReadCase> {};

TEST_P(FromTextModeTest, ConvertsFileBytesToText) {
  std::string bytes = GetParam().bytes;
  fromTextMode(bytes);
  EXPECT_EQ(bytes, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FromTextModeTest,
    testing::Values(ReadCase{"Empty", "", ""}, ReadCase{"NoBreaks", "abc", "abc"},
                    ReadCase{"CrLfBecomesLf", "a\r\nb\r\n", "a\nb\n"},
                    ReadCase{"LoneLfKept", "a\nb", "a\nb"}, ReadCase{"LoneCrKept", "a\rb", "a\rb"},
                    ReadCase{"LfCrNotAPair", "a\n\rb", "a\n\rb"},
                    ReadCase{"CrCrLfKeepsFirstCr", "a\r\r\nb", "a\r\nb"},
                    ReadCase{"CrAtVeryEnd", "ab\r", "ab\r"}, ReadCase{"OnlyCrLf", "\r\n", "\n"},
                    ReadCase{"ZeroBytesKept", "a\0b\r\n\0"s, "a\0b\n\0"s},
                    ReadCase{"CtrlZEndsText",
                             "ab\x1A"
                             "cd\r\nef",
                             "ab"},
                    ReadCase{"CtrlZFirst",
                             "\x1A"
                             "abc",
                             ""},
                    ReadCase{"CtrlZAtEnd", "a\r\n\x1A", "a\n"},
                    ReadCase{"CrBeforeCtrlZStays", "ab\r\x1A\ncd", "ab\r"},
                    ReadCase{"OnlyFirstCtrlZCounts",
                             "a\x1A"
                             "b\x1A"
                             "c",
                             "a"},
                    ReadCase{"HighBytesKept", "\xFF\xFE\r\n\x80", "\xFF\xFE\n\x80"}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(FromTextMode, LongTextCollapsesEveryPair) {
  std::string bytes;
  std::string expected;
  for (std::size_t i = 0; i < 3 * kMiB / 4; ++i) {
    bytes += "x\r\n";
    expected += "x\n";
  }
  fromTextMode(bytes);
  EXPECT_EQ(bytes, expected);
}

// Keeps every write it is handed, in order; fails from call `failAt` on
// (counting from 0) when set.
class RecordingFile : public OutputFile {
 public:
  explicit RecordingFile(std::size_t failAt = SIZE_MAX) : failAt_(failAt) {}
  bool write(std::string_view bytes) override {
    if (writes.size() >= failAt_) {
      ++failedCalls;
      return false;
    }
    writes.emplace_back(bytes);
    return true;
  }
  bool commit() override { return true; }

  std::string all() const {
    std::string joined;
    for (const std::string& piece : writes) joined += piece;
    return joined;
  }

  std::vector<std::string> writes;
  std::size_t failedCalls = 0;

 private:
  std::size_t failAt_;
};

struct WriteCase {
  const char* name;
  std::vector<std::string> pieces;
  std::string bytes;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class TextModeWriterTableTest : public testing::TestWithParam<WriteCase> {};

TEST_P(TextModeWriterTableTest, WritesTextModeBytes) {
  RecordingFile file;
  TextModeWriter writer(file);
  for (const std::string& piece : GetParam().pieces) writer.write(piece);
  EXPECT_TRUE(writer.flush());
  EXPECT_TRUE(writer.ok());
  EXPECT_EQ(file.all(), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextModeWriterTableTest,
    testing::Values(WriteCase{"Nothing", {}, ""}, WriteCase{"EmptyPiece", {""}, ""},
                    WriteCase{"Plain", {"abc"}, "abc"},
                    WriteCase{"LfBecomesCrLf", {"a\nb\n"}, "a\r\nb\r\n"},
                    WriteCase{"OnlyLfs", {"\n\n\n"}, "\r\n\r\n\r\n"},
                    WriteCase{"LoneCrUnchanged", {"a\rb"}, "a\rb"},
                    WriteCase{"CrLfGetsAnotherCr", {"a\r\nb"}, "a\r\r\nb"},
                    WriteCase{"ZeroBytesKept", {"a\0\nb\0"s}, "a\0\r\nb\0"s},
                    WriteCase{"PiecesJoin", {"ab", "\n", "cd\n", "", "e"}, "ab\r\ncd\r\ne"},
                    WriteCase{"CtrlZWrittenAsIs", {"a\x1A\n"}, "a\x1A\r\n"}),
    [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(TextModeWriter, DestructorFlushes) {
  RecordingFile file;
  {
    TextModeWriter writer(file);
    writer.write("a\nb");
  }
  EXPECT_EQ(file.all(), "a\r\nb");
}

TEST(TextModeWriter, TextWithoutLfLongerThanAChunkComesOutWhole) {
  std::string text(2 * kMiB + 12345, 'x');
  for (std::size_t i = 0; i < text.size(); i += 997) text[i] = static_cast<char>('a' + i % 26);
  RecordingFile file;
  TextModeWriter writer(file);
  writer.write(text);
  ASSERT_TRUE(writer.flush());
  EXPECT_EQ(file.all(), text);
  // Bounded chunks: nothing is handed over as one copy of the whole text.
  EXPECT_GT(file.writes.size(), 1u);
}

TEST(TextModeWriter, TextWithLfsLongerThanAChunkComesOutWhole) {
  std::string text;
  std::string expected;
  for (std::size_t line = 0; text.size() < 3 * kMiB; ++line) {
    const std::string body(line % 300, static_cast<char>('a' + line % 26));
    text += body + "\n";
    expected += body + "\r\n";
  }
  text += "tail";
  expected += "tail";
  RecordingFile file;
  TextModeWriter writer(file);
  writer.write(text);
  ASSERT_TRUE(writer.flush());
  EXPECT_EQ(file.all(), expected);
  EXPECT_GT(file.writes.size(), 1u);
}

TEST(TextModeWriter, LongLineBetweenLfsComesOutWhole) {
  const std::string longLine(kMiB + 7, 'q');
  const std::string text = "start\n" + longLine + "\nend\n";
  RecordingFile file;
  TextModeWriter writer(file);
  writer.write(text);
  ASSERT_TRUE(writer.flush());
  EXPECT_EQ(file.all(), "start\r\n" + longLine + "\r\nend\r\n");
}

TEST(TextModeWriter, ManySmallWritesComeOutWhole) {
  RecordingFile file;
  std::string expected;
  {
    TextModeWriter writer(file);
    for (std::size_t i = 0; i < 200000; ++i) {
      writer.write("line\n");
      expected += "line\r\n";
    }
  }
  EXPECT_EQ(file.all(), expected);
}

TEST(TextModeWriter, FailedFlushSticks) {
  RecordingFile file(0);
  TextModeWriter writer(file);
  writer.write("a\n");
  EXPECT_TRUE(writer.ok());  // still buffered, nothing handed over yet
  EXPECT_FALSE(writer.flush());
  EXPECT_FALSE(writer.ok());
  EXPECT_EQ(file.failedCalls, 1u);

  writer.write("more\n");
  EXPECT_FALSE(writer.flush());
  EXPECT_FALSE(writer.ok());
  EXPECT_EQ(file.failedCalls, 1u);
  EXPECT_TRUE(file.writes.empty());
}

TEST(TextModeWriter, FailureInsideLongTextStopsWriting) {
  RecordingFile file(1);
  TextModeWriter writer(file);
  writer.write(std::string(5 * kMiB, 'z'));
  EXPECT_FALSE(writer.ok());
  EXPECT_FALSE(writer.flush());
  EXPECT_EQ(file.writes.size(), 1u);
  EXPECT_EQ(file.failedCalls, 1u);
  EXPECT_LT(file.all().size(), 5 * kMiB);
}

TEST(TextModeWriter, NoWritesAfterFailureEvenOnDestruction) {
  RecordingFile file(1);
  {
    TextModeWriter writer(file);
    writer.write(std::string(kMiB, 'a'));  // first chunk goes through
    writer.write(std::string(kMiB, 'b'));  // second chunk fails
    EXPECT_FALSE(writer.ok());
    writer.write("tail\n");
  }
  EXPECT_EQ(file.writes.size(), 1u);
  EXPECT_EQ(file.failedCalls, 1u);
  EXPECT_EQ(file.all(), std::string(kMiB, 'a'));
}

}  // namespace
}  // namespace strovel
