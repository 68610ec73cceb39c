// Tests of the pattern file format and of loading and saving a window's
// pattern state: the exact bytes the writer produces, round trips of random
// rules, a table of malformed files and what the lenient reader makes of
// them, the caption cut, and the state changes and notices of loadPattern
// and savePattern against the in-memory file system.
#include "patterns/pattern_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "support/memory_file_system.h"

namespace strovel {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

Rule makeRule(std::string p1, std::string p2, std::int32_t action, std::string p3,
              std::int32_t fromStart, std::int32_t afterPattern1) {
  Rule rule;
  rule.Pattern1 = std::move(p1);
  rule.Pattern2 = std::move(p2);
  rule.Pattern3 = std::move(p3);
  rule.ActionType = action;
  rule.LocationFromStart = fromStart;
  rule.LocationAfterPattern1 = afterPattern1;
  return rule;
}

RuleList makeList(const std::vector<Rule>& rules) {
  RuleList list;
  for (const Rule& rule : rules) list.append(rule);
  return list;
}

std::string repeat(std::string_view piece, std::size_t count) {
  std::string out;
  out.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i) out.append(piece);
  return out;
}

// The six field lines of one record, each ended by eol, after a separator.
std::string recordLines(const std::string& p1, const std::string& p2, const std::string& action,
                        const std::string& p3, const std::string& fromStart,
                        const std::string& afterPattern1, std::string_view eol = "\r\n") {
  std::string out = "========";
  for (const std::string* field : {&p1, &p2, &action, &p3, &fromStart, &afterPattern1}) {
    out.append(eol);
    out.append(*field);
  }
  out.append(eol);
  return out;
}

std::string padding(std::size_t lines, std::string_view eol = "\r\n") { return repeat(eol, lines); }

// A well-formed 17-line record.
std::string fullRecord(const std::string& p1, const std::string& p2, const std::string& action,
                       const std::string& p3, const std::string& fromStart,
                       const std::string& afterPattern1) {
  return recordLines(p1, p2, action, p3, fromStart, afterPattern1) + padding(10);
}

RuleList twoRuleExample() {
  return makeList({makeRule("old", "new", Replace, "", 1, 1),
                   makeRule("(", ")", ReplaceBetween, "a\nb", 2, 1)});
}

const std::string kTwoRuleExampleBytes =
    "vers=1\r\n"
    "========\r\nold\r\nnew\r\n1\r\n\r\n1\r\n1\r\n" +
    padding(10) + "========\r\n(\r\n)\r\n3\r\na(_^p_)b\r\n2\r\n1\r\n" + padding(10);

// ---------------------------------------------------------------- writer

TEST(PatternFileWriter, TwoRuleExampleIsExact) {
  const std::string bytes = encodePatternFile(twoRuleExample());
  EXPECT_EQ(bytes, kTwoRuleExampleBytes);
  EXPECT_EQ(bytes.size(), 114u);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 35);
}

TEST(PatternFileWriter, EmptyListIsTheHeaderLineAlone) {
  EXPECT_EQ(encodePatternFile(RuleList{}), "vers=1\r\n");
}

TEST(PatternFileWriter, NumbersArePlainSignedDecimal) {
  const RuleList list = makeList({makeRule("", "", kMin, "", 0, kMax)});
  EXPECT_EQ(encodePatternFile(list),
            "vers=1\r\n========\r\n\r\n\r\n-2147483648\r\n\r\n0\r\n2147483647\r\n" + padding(10));
}

TEST(PatternFileWriter, LineBreaksBecomeMarkersAndOtherBytesStayRaw) {
  const std::string pattern1 = std::string("\nx\n\ny\n\0\x1a\r", 9);
  const RuleList list = makeList({makeRule(pattern1, "", 1, "", 1, 1)});
  const std::string expected = "vers=1\r\n========\r\n" +
                               std::string("(_^p_)x(_^p_)(_^p_)y(_^p_)\0\x1a\r", 29) + "\r\n" +
                               "\r\n1\r\n\r\n1\r\n1\r\n" + padding(10);
  EXPECT_EQ(encodePatternFile(list), expected);
}

TEST(PatternFileWriter, MarkerInTextIsNotEscaped) {
  const RuleList list = makeList({makeRule("a(_^p_)b", "", 1, "", 1, 1)});
  EXPECT_NE(encodePatternFile(list).find("\r\na(_^p_)b\r\n"), std::string::npos);
}

// ---------------------------------------------------------------- reader

TEST(PatternFileReader, TwoRuleExampleReadsBack) {
  EXPECT_EQ(decodePatternFile(kTwoRuleExampleBytes), twoRuleExample());
}

TEST(PatternFileReader, MarkerInTextComesBackAsLineBreak) {
  const RuleList list = makeList({makeRule("a(_^p_)(_^p_)b", "(_^p_)", 1, "x\n(_^p_)", 1, 1)});
  const RuleList expected = makeList({makeRule("a\n\nb", "\n", 1, "x\n\n", 1, 1)});
  EXPECT_EQ(decodePatternFile(encodePatternFile(list)), expected);
}

TEST(PatternFileReader, CarriageReturnsInTextsAreLost) {
  const RuleList list = makeList({makeRule("\ra\r\rb\r", "(_^\rp_)", 1, "\r\n\r", 1, 1)});
  const RuleList expected = makeList({makeRule("ab", "\n", 1, "\n", 1, 1)});
  EXPECT_EQ(decodePatternFile(encodePatternFile(list)), expected);
}

struct MalformedCase {
  const char* name;
  std::string bytes;
  RuleList expected;
};

class MalformedFile : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedFile, ReadsAsTheLenientReaderDoes) {
  EXPECT_EQ(decodePatternFile(GetParam().bytes), GetParam().expected);
}

const Rule kA = makeRule("a1", "a2", 1, "a3", 4, 5);
const Rule kB = makeRule("b1", "b2", 3, "b3", 6, 7);
const std::string kRecordA = fullRecord("a1", "a2", "1", "a3", "4", "5");
const std::string kRecordB = fullRecord("b1", "b2", "3", "b3", "6", "7");

INSTANTIATE_TEST_SUITE_P(
    Table, MalformedFile,
    testing::Values(
        MalformedCase{"EmptyFile", "", {}}, MalformedCase{"HeaderOnly", "vers=1\r\n", {}},
        MalformedCase{"HeaderWithoutLineEnd", "vers=1", {}},
        MalformedCase{"AnyHeaderIsAccepted", "vers=99 whatever\n" + kRecordA, makeList({kA})},
        MalformedCase{"EmptyHeaderLine", "\r\n" + kRecordA, makeList({kA})},
        MalformedCase{"FirstLineIsSeparatorLosesFirstRule", kRecordA + kRecordB, makeList({kB})},
        MalformedCase{"CutAfterPattern2", "vers=1\r\n========\r\nold\r\nnew\r\n",
                      makeList({makeRule("old", "new", 0, "", 0, 0)})},
        MalformedCase{"CutInsidePattern2Line", "vers=1\r\n========\r\nold\r\nne",
                      makeList({makeRule("old", "ne", 0, "", 0, 0)})},
        MalformedCase{"CutAfterActionType", "vers=1\r\n========\r\nold\r\nnew\r\n4\r\n",
                      makeList({makeRule("old", "new", 4, "", 0, 0)})},
        MalformedCase{"CutBeforePattern2", "vers=1\r\n========\r\nold\r\n", {}},
        MalformedCase{"CutAfterSeparator", "vers=1\r\n========\r\n", {}},
        MalformedCase{"SecondRecordCutBeforePattern2",
                      "vers=1\r\n" + kRecordA + "========\r\nx\r\n", makeList({kA})},
        MalformedCase{"NoPaddingAtEndKeepsRule",
                      "vers=1\r\n" + recordLines("a1", "a2", "1", "a3", "4", "5"), makeList({kA})},
        MalformedCase{"ShortPaddingSwallowsNextSeparator",
                      "vers=1\r\n" + recordLines("a1", "a2", "1", "a3", "4", "5") + padding(5) +
                          kRecordB + kRecordA,
                      makeList({kA, kA})},
        MalformedCase{
            "NinePaddingLinesStillSwallowSeparator",
            "vers=1\r\n" + recordLines("a1", "a2", "1", "a3", "4", "5") + padding(9) + kRecordB,
            makeList({kA})},
        MalformedCase{"PaddingContentIsIgnored",
                      "vers=1\r\n" + recordLines("a1", "a2", "1", "a3", "4", "5") +
                          repeat("junk\r\n", 9) + "========\r\n" + kRecordB,
                      makeList({kA, kB})},
        MalformedCase{"StrayLinesBetweenRecordsAreSkipped",
                      "vers=1\r\n" + kRecordA + "stray\r\n=======\r\n========= \r\n\r\n" + kRecordB,
                      makeList({kA, kB})},
        MalformedCase{"StrayLinesBeforeFirstRecord", "vers=1\r\nnote\r\n\r\n" + kRecordA,
                      makeList({kA})},
        MalformedCase{
            "SeparatorWithTrailingBlankIsNotOne", "vers=1\r\n======== \r\na\r\nb\r\n", {}},
        MalformedCase{"OnlyOneCarriageReturnIsPartOfLineEnd", "vers=1\r\n========\r\r\n" + kRecordA,
                      makeList({kA})},
        MalformedCase{
            "LineFeedOnlyLineEnds",
            "vers=1\n" + recordLines("old", "new", "1", "", "1", "1", "\n") + padding(10, "\n") +
                recordLines("(", ")", "3", "a(_^p_)b", "2", "1", "\n") + padding(10, "\n"),
            twoRuleExample()},
        MalformedCase{"MixedLineEnds",
                      "vers=1\n========\r\nold\nnew\r\n1\n\r\n1\n1" + padding(10, "\n"),
                      makeList({makeRule("old", "new", 1, "", 1, 1)})},
        MalformedCase{"CarriageReturnsInsideTextsRemoved",
                      "vers=1\r\n" + fullRecord("o\rl\rd", "\r\r", "1", "x(_^\rp_)y\r", "1", "1"),
                      makeList({makeRule("old", "", 1, "x\ny", 1, 1)})},
        MalformedCase{"ZeroBytesAndByte26AreOrdinary",
                      "vers=1\r\n" +
                          fullRecord(std::string("a\0b", 3), std::string("\x1a\0", 2), "2",
                                     std::string("\0", 1), "1", "1") +
                          kRecordB,
                      makeList({makeRule(std::string("a\0b", 3), std::string("\x1a\0", 2), 2,
                                         std::string("\0", 1), 1, 1),
                                kB})},
        MalformedCase{"SeparatorTextInsideRecordIsData",
                      "vers=1\r\n" + fullRecord("========", "========", "1", "========", "1", "1"),
                      makeList({makeRule("========", "========", 1, "========", 1, 1)})}),
    [](const testing::TestParamInfo<MalformedCase>& info) { return info.param.name; });

struct NumberCase {
  const char* line;
  std::int32_t value;
};

class NumberLine : public testing::TestWithParam<NumberCase> {};

// The same line is used for all three numbers of a record.
TEST_P(NumberLine, ReadsAsClampedAtoi) {
  const std::string n = GetParam().line;
  const RuleList rules = decodePatternFile("vers=1\r\n" + fullRecord("p", "q", n, "r", n, n));
  ASSERT_EQ(rules.size(), 1u);
  const std::int32_t v = GetParam().value;
  EXPECT_EQ(rules.at(0), makeRule("p", "q", v, "r", v, v));
}

INSTANTIATE_TEST_SUITE_P(
    Table, NumberLine,
    testing::Values(NumberCase{"", 0}, NumberCase{"abc", 0}, NumberCase{"12abc", 12},
                    NumberCase{" -7", -7}, NumberCase{"\t\v\f +5", 5}, NumberCase{"0042", 42},
                    NumberCase{"-0", 0}, NumberCase{"1 2", 1}, NumberCase{"- 5", 0},
                    NumberCase{"+-5", 0}, NumberCase{"--5", 0}, NumberCase{"\r7", 7},
                    NumberCase{"3\r", 3}, NumberCase{"2147483647", kMax},
                    NumberCase{"2147483648", kMax}, NumberCase{"99999999999", kMax},
                    NumberCase{"-2147483648", kMin}, NumberCase{"-2147483649", kMin},
                    NumberCase{"-99999999999", kMin},
                    NumberCase{"123456789012345678901234567890", kMax},
                    NumberCase{"\xa0"
                               "5",
                               0}));

// -------------------------------------------------------------- round trip

// A text of random bytes without CR and without the line-break marker,
// rich in LF and in the characters the marker and separator are made of.
std::string randomText(std::mt19937& rng) {
  static const std::string kFavoured("\n\n(_^p)=\0\x1a ", 11);
  std::uniform_int_distribution<int> length(0, 24);
  std::uniform_int_distribution<int> anyByte(0, 255);
  std::uniform_int_distribution<std::size_t> favoured(0, kFavoured.size() - 1);
  for (;;) {
    std::string text;
    for (int i = length(rng); i > 0; --i) {
      const bool pick = anyByte(rng) < 128;
      char c = pick ? kFavoured[favoured(rng)] : static_cast<char>(anyByte(rng));
      text.push_back(c == '\r' ? '\n' : c);
    }
    if (text.find("(_^p_)") == std::string::npos) return text;
  }
}

std::int32_t randomNumber(std::mt19937& rng) {
  static const std::int32_t kEdges[] = {0, 1, -1, 7, kMax, kMin};
  std::uniform_int_distribution<int> kind(0, 3);
  if (kind(rng) == 0) return kEdges[rng() % std::size(kEdges)];
  return static_cast<std::int32_t>(rng());
}

TEST(PatternFileRoundTrip, RandomRulesSurviveEncodeAndDecode) {
  std::mt19937 rng(20240611);
  for (int iteration = 0; iteration < 500; ++iteration) {
    RuleList list;
    for (int n = static_cast<int>(rng() % 6); n > 0; --n) {
      list.append(makeRule(randomText(rng), randomText(rng), randomNumber(rng), randomText(rng),
                           randomNumber(rng), randomNumber(rng)));
    }
    const std::string bytes = encodePatternFile(list);
    ASSERT_EQ(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')),
              1 + 17 * list.size())
        << "iteration " << iteration;
    ASSERT_EQ(decodePatternFile(bytes), list) << "iteration " << iteration;
  }
}

TEST(PatternFileRoundTrip, ThousandsOfRules) {
  RuleList list;
  for (int i = 0; i < 20000; ++i) {
    list.append(makeRule("p" + std::to_string(i), "q\n" + std::to_string(i), i % 9 - 1, "", i, -i));
  }
  EXPECT_EQ(decodePatternFile(encodePatternFile(list)), list);
}

// A line of tens of megabytes full of CRs and markers: a reader that erases
// in place would need hours here.
TEST(PatternFileRoundTrip, HugeLineLoadsInLinearTime) {
  const std::size_t pieces = 2'000'000;
  const std::string line = repeat("x\r(_^p_)", pieces);
  const RuleList rules =
      decodePatternFile("vers=1\r\n" + fullRecord(line, "", "1", line, "1", "1"));
  ASSERT_EQ(rules.size(), 1u);
  const std::string expected = repeat("x\n", pieces);
  EXPECT_TRUE(rules.at(0).Pattern1 == expected);
  EXPECT_TRUE(rules.at(0).Pattern3 == expected);
  const std::string encoded = repeat("x(_^p_)", pieces);
  EXPECT_TRUE(encodePatternFile(rules) ==
              "vers=1\r\n" + fullRecord(encoded, "", "1", encoded, "1", "1"));
}

// ---------------------------------------------------------------- caption

struct CaptionCase {
  std::string path;
  bool utf8;
  std::string caption;
};

class PatternCaption : public testing::TestWithParam<CaptionCase> {};

TEST_P(PatternCaption, ShowsWholePathOrItsTail) {
  EXPECT_EQ(patternCaption(GetParam().path, GetParam().utf8), GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PatternCaption,
    testing::Values(
        CaptionCase{"", true, "Strovel  []"}, CaptionCase{"a.shbl", false, "Strovel  [a.shbl]"},
        CaptionCase{"pattern_name1.shbl", false, "Strovel  [pattern_name1.shbl]"},
        CaptionCase{"pattern_name1.shbl", true, "Strovel  [pattern_name1.shbl]"},
        CaptionCase{"/pattern_name1.shbl", false, "Strovel  [...pattern_name1.shbl]"},
        CaptionCase{"/pattern_name1.shbl", true, "Strovel  [...pattern_name1.shbl]"},
        CaptionCase{"/home/user/patterns/x.shbl", true, "Strovel  [...er/patterns/x.shbl]"},
        // The last 18 bytes begin with the second byte of an "é".
        CaptionCase{"/home/\xc3\xa9"
                    "abcdefghijklmnopq",
                    true, "Strovel  [...abcdefghijklmnopq]"},
        CaptionCase{"/home/\xc3\xa9"
                    "abcdefghijklmnopq",
                    false,
                    "Strovel  [...\xa9"
                    "abcdefghijklmnopq]"},
        // The "é" lies wholly inside the tail.
        CaptionCase{"/home/u/\xc3\xa9"
                    "abcdefghijklmnop",
                    true,
                    "Strovel  [...\xc3\xa9"
                    "abcdefghijklmnop]"},
        // Single-byte Cyrillic is cut at the exact byte.
        CaptionCase{"\xcf\xf0\xe8\xec\xe5\xf0\x31\x32\x33\x34\x35\x36\x37\x38\x2e\x73\x68\x62\x6c",
                    false,
                    "Strovel  [...\xf0\xe8\xec\xe5\xf0\x31\x32\x33\x34\x35\x36\x37\x38.shbl]"}));

// ------------------------------------------------------ load and save

class PatternStateTest : public testing::Test {
 protected:
  PatternState staleState() {
    PatternState state;
    state.rules = makeList({makeRule("stale", "", 2, "", 1, 1)});
    state.currentPatternPath = "before.shbl";
    state.patternModified = true;
    return state;
  }

  static void expectSameState(const PatternState& actual, const PatternState& expected) {
    EXPECT_EQ(actual.rules, expected.rules);
    EXPECT_EQ(actual.currentPatternPath, expected.currentPatternPath);
    EXPECT_EQ(actual.patternModified, expected.patternModified);
  }

  MemoryFileSystem files;
  RecordingSink sink;
};

TEST_F(PatternStateTest, LoadReplacesRulesAndPathAndClearsModifiedFlag) {
  files.files["sub/p.shbl"] = kTwoRuleExampleBytes;
  PatternState state = staleState();
  EXPECT_TRUE(loadPattern(state, "sub/p.shbl", files, sink));
  EXPECT_EQ(state.rules, twoRuleExample());
  EXPECT_EQ(state.currentPatternPath, "sub/p.shbl");
  EXPECT_FALSE(state.patternModified);
  EXPECT_TRUE(sink.notices.empty());
}

TEST_F(PatternStateTest, LoadOfEmptyFileGivesEmptyPattern) {
  files.files["empty.shbl"] = "";
  PatternState state = staleState();
  EXPECT_TRUE(loadPattern(state, "empty.shbl", files, sink));
  EXPECT_TRUE(state.rules.empty());
  EXPECT_EQ(state.currentPatternPath, "empty.shbl");
  EXPECT_TRUE(sink.notices.empty());
}

TEST_F(PatternStateTest, LoadOfMissingFileReportsAndKeepsState) {
  PatternState state = staleState();
  EXPECT_FALSE(loadPattern(state, "missing.shbl", files, sink));
  expectSameState(state, staleState());
  EXPECT_EQ(sink.notices, (std::vector<Notice>{{164, "missing.shbl"}}));
}

TEST_F(PatternStateTest, LoadOfUnreadableFileReportsAndKeepsState) {
  files.files["locked.shbl"] = kTwoRuleExampleBytes;
  files.unreadable.insert("locked.shbl");
  PatternState state = staleState();
  EXPECT_FALSE(loadPattern(state, "locked.shbl", files, sink));
  expectSameState(state, staleState());
  EXPECT_EQ(sink.notices, (std::vector<Notice>{{164, "locked.shbl"}}));
}

TEST_F(PatternStateTest, SaveWritesFileAndClearsModifiedFlag) {
  PatternState state = staleState();
  state.rules = twoRuleExample();
  EXPECT_TRUE(savePattern(state, "out.shbl", files, sink));
  EXPECT_EQ(files.files["out.shbl"], kTwoRuleExampleBytes);
  EXPECT_EQ(state.currentPatternPath, "out.shbl");
  EXPECT_FALSE(state.patternModified);
  EXPECT_EQ(state.rules, twoRuleExample());
  EXPECT_EQ(sink.notices, (std::vector<Notice>{{166, "/work/out.shbl"}}));
}

TEST_F(PatternStateTest, SaveOverExistingFileReplacesIt) {
  files.files["/data/p.shbl"] = "old content that is much longer than the new one\r\n";
  PatternState state;
  EXPECT_TRUE(savePattern(state, "/data/p.shbl", files, sink));
  EXPECT_EQ(files.files["/data/p.shbl"], "vers=1\r\n");
  EXPECT_EQ(state.currentPatternPath, "/data/p.shbl");
  EXPECT_EQ(sink.notices, (std::vector<Notice>{{166, "/data/p.shbl"}}));
}

TEST_F(PatternStateTest, SavedPatternLoadsBackUnchanged) {
  PatternState saved;
  saved.rules = makeList({makeRule("a\nb", "", 9, "c\n\n", 0, -3), makeRule("", "", 0, "", 0, 0)});
  ASSERT_TRUE(savePattern(saved, "r.shbl", files, sink));
  PatternState loaded;
  ASSERT_TRUE(loadPattern(loaded, "r.shbl", files, sink));
  EXPECT_EQ(loaded.rules, saved.rules);
}

TEST_F(PatternStateTest, SaveToUncreatableTargetReportsAndKeepsState) {
  files.uncreatable.insert("ro/p.shbl");
  PatternState state = staleState();
  EXPECT_FALSE(savePattern(state, "ro/p.shbl", files, sink));
  expectSameState(state, staleState());
  EXPECT_EQ(files.files.count("ro/p.shbl"), 0u);
  EXPECT_EQ(sink.notices, (std::vector<Notice>{{164, "ro/p.shbl"}}));
}

TEST_F(PatternStateTest, FailedWriteKeepsOldFileAndState) {
  files.files["p.shbl"] = kTwoRuleExampleBytes;
  files.failWritesTo.insert("p.shbl");
  PatternState state = staleState();
  EXPECT_FALSE(savePattern(state, "p.shbl", files, sink));
  EXPECT_EQ(files.files["p.shbl"], kTwoRuleExampleBytes);
  expectSameState(state, staleState());
  EXPECT_EQ(sink.notices, (std::vector<Notice>{{164, "p.shbl"}}));
}

// Writes succeed but putting the file in place fails (a full disk at flush
// time, a rename refused).
class CommitFailingFileSystem : public MemoryFileSystem {
 public:
  std::unique_ptr<OutputFile> createFile(const std::string&) override {
    return std::make_unique<Output>();
  }

 private:
  class Output : public OutputFile {
   public:
    bool write(std::string_view) override { return true; }
    bool commit() override { return false; }
  };
};

TEST(PatternStateCommit, FailedCommitKeepsOldFileAndState) {
  CommitFailingFileSystem files;
  files.files["p.shbl"] = "previous";
  RecordingSink sink;
  PatternState state;
  state.rules = twoRuleExample();
  state.currentPatternPath = "other.shbl";
  state.patternModified = true;
  EXPECT_FALSE(savePattern(state, "p.shbl", files, sink));
  EXPECT_EQ(files.files["p.shbl"], "previous");
  EXPECT_EQ(state.currentPatternPath, "other.shbl");
  EXPECT_TRUE(state.patternModified);
  EXPECT_EQ(sink.notices, (std::vector<Notice>{{164, "p.shbl"}}));
}

}  // namespace
}  // namespace strovel
