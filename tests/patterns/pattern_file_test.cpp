// Tests of the pattern file format and of loading and saving a window's
// pattern state: the exact bytes the writer produces, a random round trip,
// a table of malformed files and what the lenient reader makes of them, a
// large file that only a linear-time reader loads quickly, the caption cut,
// and the state changes and notices of loadPattern and savePattern against
// the in-memory file system.
#include "patterns/pattern_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "support/memory_file_system.h"

namespace strovel {
namespace {

using namespace std::string_literals;

constexpr std::int32_t kMax = INT32_MAX, kMin = INT32_MIN;

// Fields in the order a record stores them.
Rule makeRule(std::string p1, std::string p2, std::int32_t action, std::string p3,
              std::int32_t fromStart, std::int32_t afterPattern1) {
  return Rule{std::move(p1), std::move(p3), std::move(p2), action, fromStart, afterPattern1};
}

RuleList makeList(const std::vector<Rule>& rules) {
  RuleList list;
  for (const Rule& rule : rules) list.append(rule);
  return list;
}

std::string repeat(std::string_view piece, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out.append(piece);
  return out;
}

// A separator and the six field lines of one record, followed by
// `padding` empty lines (a well-formed record has ten).
std::string record(const std::vector<std::string>& fields, std::size_t padding = 10) {
  std::string out = "========\r\n";
  for (const std::string& field : fields) out += field + "\r\n";
  return out + repeat("\r\n", padding);
}

const std::string kHead = "vers=1\r\n";
const Rule kA = makeRule("a1", "a2", 1, "a3", 4, 5);
const Rule kB = makeRule("b1", "b2", 3, "b3", 6, 7);
const std::vector<std::string> kFieldsA = {"a1", "a2", "1", "a3", "4", "5"};
const std::string kRecordA = record(kFieldsA);
const std::string kRecordB = record({"b1", "b2", "3", "b3", "6", "7"});

const RuleList kTwoRules = makeList(
    {makeRule("old", "new", Replace, "", 1, 1), makeRule("(", ")", ReplaceBetween, "a\nb", 2, 1)});
const std::string kTwoRulesBytes = kHead + record({"old", "new", "1", "", "1", "1"}) +
                                   record({"(", ")", "3", "a(_^p_)b", "2", "1"});

TEST(PatternFile, WritesExactBytes) {
  ASSERT_EQ(kTwoRulesBytes.size(), 114u);
  EXPECT_EQ(encodePatternFile(RuleList{}), "vers=1\r\n");
  EXPECT_EQ(encodePatternFile(kTwoRules), kTwoRulesBytes);
  EXPECT_EQ(encodePatternFile(makeList({makeRule("", "", kMin, "", 0, kMax)})),
            kHead + record({"", "", "-2147483648", "", "0", "2147483647"}));
  // LF becomes the marker; CR, zero, byte 26 and a marker already in the
  // text are written as they are.
  EXPECT_EQ(encodePatternFile(makeList({makeRule("\nx\n\ny\0\x1a\r"s, "a(_^p_)b", 1, "", 1, 1)})),
            kHead + record({"(_^p_)x(_^p_)(_^p_)y\0\x1a\r"s, "a(_^p_)b", "1", "", "1", "1"}));
}

TEST(PatternFile, ReadsMalformedFilesLeniently) {
  std::string lfOnly = kTwoRulesBytes;
  std::erase(lfOnly, '\r');
  const std::pair<std::string, RuleList> cases[] = {
      {"", {}},
      {"vers=1", {}},
      // Any first line is dropped, even a separator; LF-only line ends work too.
      {"vers=99 whatever" + lfOnly.substr(6), kTwoRules},
      {kRecordA + kRecordB, makeList({kB})},
      // Cut inside the last line; the fields after it read as 0.
      {kHead + "========\r\nold\r\nnew\r\n4", makeList({makeRule("old", "new", 4, "", 0, 0)})},
      // A record cut before its Pattern2 is dropped.
      {kHead + kRecordA + "========\r\nx\r\n", makeList({kA})},
      // Nine padding lines swallow the next separator; padding content is ignored.
      {kHead + record(kFieldsA, 9) + kRecordB + kRecordA, makeList({kA, kA})},
      {kHead + record(kFieldsA, 0) + repeat("========\r\n", 10) + kRecordB, makeList({kA, kB})},
      // Stray lines are skipped up to an exact separator.
      {"vers=1\r\nnote\r\n" + kRecordA + "=======\r\n======== \r\n========\r\r\n\r\n" + kRecordB,
       makeList({kA, kB})},
      // Separator text inside a record is data; CRs go before markers are
      // decoded, so "(_^\rp_)" is a line break; zero bytes and byte 26 are
      // ordinary.
      {kHead + record({"========", "\r(_^p_)o\rl\rd\r", "2", "x(_^\rp_)\0\x1a"s, "1", "1"}),
       makeList({makeRule("========", "\nold", 2, "x\n\0\x1a"s, 1, 1)})},
      // Numbers as atoi does, clamped to 32 bits. "\2405" is a no-break
      // space (0xA0), which is no blank, and a 5.
      {kHead + record({"p", "q", "12abc", "r", "123456789012345678901234567890", "-2147483649"}) +
           record({"p", "q", " \t\v\f +5", "r", "- 5", "\2405"}),
       makeList({makeRule("p", "q", 12, "r", kMax, kMin), makeRule("p", "q", 5, "r", 0, 0)})},
  };
  for (const auto& [bytes, rules] : cases)
    EXPECT_EQ(decodePatternFile(bytes), rules) << testing::PrintToString(bytes);
}

TEST(PatternFile, RandomRulesSurviveARoundTrip) {
  std::mt19937 rng(20240611);
  // LF, the characters of the marker and the separator and a few others,
  // but no CR (which the reader drops) and never the marker itself.
  const auto text = [&rng] {
    std::string out;
    for (unsigned i = rng() % 25; i > 0; --i) out += "\n(_^p)=\0\x1a x\xff"[rng() % 12];
    for (std::size_t at; (at = out.find("(_^p_)")) != std::string::npos;) out.erase(at, 1);
    return out;
  };
  const auto number = [&rng] { return static_cast<std::int32_t>(rng()); };
  for (int iteration = 0; iteration < 300; ++iteration) {
    RuleList list;
    for (unsigned n = rng() % 6; n > 0; --n)
      list.append(makeRule(text(), text(), number(), text(), number(), number()));
    ASSERT_EQ(decodePatternFile(encodePatternFile(list)), list) << "iteration " << iteration;
  }
}

// A line of megabytes full of CRs and markers, then many records: read and
// written exactly (a reader that erases in place would also take minutes).
TEST(PatternFile, LargeFileRoundTrip) {
  const std::size_t pieces = 500'000, records = 50'000;
  const std::string decoded = repeat("x\n", pieces);
  RuleList rules = makeList({makeRule(decoded, "", 1, decoded, 1, 1)});
  for (std::size_t i = 0; i < records; ++i) rules.append(kA);
  const std::string line = repeat("x\r(_^p_)", pieces), clean = repeat("x(_^p_)", pieces);
  const std::string rest = repeat(kRecordA, records);
  EXPECT_TRUE(decodePatternFile(kHead + record({line, "", "1", line, "1", "1"}) + rest) == rules);
  EXPECT_TRUE(encodePatternFile(rules) == kHead + record({clean, "", "1", clean, "1", "1"}) + rest);
}

TEST(PatternFile, CaptionShowsThePathOrItsLast18Bytes) {
  EXPECT_EQ(patternCaption("pattern_name1.shbl", false), "Strovel  [pattern_name1.shbl]");
  EXPECT_EQ(patternCaption("/pattern_name1.shbl", true), "Strovel  [...pattern_name1.shbl]");
  // "\303\251" is a UTF-8 "é"; the last 18 bytes begin with its second byte.
  const std::string tail = "abcdefghijklmnopq";
  EXPECT_EQ(patternCaption("/\303\251" + tail, true), "Strovel  [..." + tail + "]");
  EXPECT_EQ(patternCaption("/\303\251" + tail, false), "Strovel  [...\251" + tail + "]");
}

const PatternState kStale{makeList({makeRule("stale", "", 2, "", 1, 1)}), "before.shbl", true};

auto fields(const PatternState& state) {
  return std::tie(state.rules, state.currentPatternPath, state.patternModified);
}

TEST(PatternStateTest, LoadReplacesTheStateOrReportsAndKeepsIt) {
  MemoryFileSystem files;
  files.files = {{"sub/p.shbl", kTwoRulesBytes}, {"empty.shbl", ""}};
  RecordingSink sink;
  PatternState state = kStale;
  EXPECT_FALSE(loadPattern(state, "missing.shbl", files, sink));
  EXPECT_EQ(fields(state), fields(kStale));
  EXPECT_TRUE(loadPattern(state, "sub/p.shbl", files, sink));
  EXPECT_EQ(fields(state), fields(PatternState{kTwoRules, "sub/p.shbl", false}));
  // An empty file is an empty pattern.
  state.patternModified = true;
  EXPECT_TRUE(loadPattern(state, "empty.shbl", files, sink));
  EXPECT_EQ(fields(state), fields(PatternState{{}, "empty.shbl", false}));
  EXPECT_EQ(sink.notices, (std::vector<Notice>{{164, "missing.shbl"}}));
}

// Writes succeed but putting the file in place fails (a full disk at flush
// time, a rename refused).
struct CommitFailingFileSystem : MemoryFileSystem {
  struct Output : OutputFile {
    bool write(std::string_view) override { return true; }
    bool commit() override { return false; }
  };
  std::unique_ptr<OutputFile> createFile(const std::string&) override {
    return std::make_unique<Output>();
  }
};

// Only the first file system lets the save through; the others fail to
// create, write or commit, and the old file and state must survive.
TEST(PatternStateTest, SaveReplacesTheFileOrReportsAndKeepsEverything) {
  MemoryFileSystem working, uncreatable, failingWrite;
  CommitFailingFileSystem failingCommit;
  uncreatable.uncreatable.insert("p.shbl");
  failingWrite.failWritesTo.insert("p.shbl");
  MemoryFileSystem* const systems[] = {&working, &uncreatable, &failingWrite, &failingCommit};
  for (MemoryFileSystem* fs : systems) {
    const bool ok = fs == &working;
    fs->files["p.shbl"] = "previous";
    PatternState state = kStale;
    RecordingSink sink;
    EXPECT_EQ(savePattern(state, "p.shbl", *fs, sink), ok);
    EXPECT_EQ(fs->files["p.shbl"], ok ? encodePatternFile(kStale.rules) : "previous");
    EXPECT_EQ(fields(state), fields(ok ? PatternState{kStale.rules, "p.shbl", false} : kStale));
    EXPECT_EQ(sink.notices,
              (std::vector<Notice>{ok ? Notice{166, "/work/p.shbl"} : Notice{164, "p.shbl"}}));
  }
}

}  // namespace
}  // namespace strovel
