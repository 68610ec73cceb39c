// Tests of the pattern file format and of loading and saving a window's
// pattern state: the exact bytes the writer produces, a random round trip,
// a table of malformed files and what the lenient reader makes of them, a
// large file that only a linear-time reader loads quickly, the caption cut,
// and the state changes and notices of loadPattern and savePattern against
// the in-memory file system.
#include "patterns/pattern_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/memory_file_system.h"

namespace strovel {
namespace {

using namespace std::string_literals;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

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
const std::string kRecordA = record({"a1", "a2", "1", "a3", "4", "5"});
const std::string kRecordB = record({"b1", "b2", "3", "b3", "6", "7"});

const RuleList kTwoRuleExample = makeList(
    {makeRule("old", "new", Replace, "", 1, 1), makeRule("(", ")", ReplaceBetween, "a\nb", 2, 1)});
const std::string kTwoRuleExampleBytes = kHead + record({"old", "new", "1", "", "1", "1"}) +
                                         record({"(", ")", "3", "a(_^p_)b", "2", "1"});

TEST(PatternFile, WritesExactBytes) {
  ASSERT_EQ(kTwoRuleExampleBytes.size(), 114u);
  const std::pair<RuleList, std::string> cases[] = {
      {RuleList{}, "vers=1\r\n"},
      {kTwoRuleExample, kTwoRuleExampleBytes},
      {makeList({makeRule("", "", kMin, "", 0, kMax)}),
       kHead + record({"", "", "-2147483648", "", "0", "2147483647"})},
      // LF becomes the marker; CR, zero, byte 26 and a marker already in
      // the text are written as they are.
      {makeList({makeRule("\nx\n\ny\0\x1a\r"s, "a(_^p_)b", 1, "", 1, 1)}),
       kHead + record({"(_^p_)x(_^p_)(_^p_)y\0\x1a\r"s, "a(_^p_)b", "1", "", "1", "1"})},
  };
  for (const auto& [rules, bytes] : cases) EXPECT_EQ(encodePatternFile(rules), bytes);
  EXPECT_EQ(decodePatternFile(kTwoRuleExampleBytes), kTwoRuleExample);
}

TEST(PatternFile, ReadsMalformedFilesLeniently) {
  std::string lfOnly = kTwoRuleExampleBytes;
  std::erase(lfOnly, '\r');
  const struct {
    const char* why;
    std::string bytes;
    RuleList expected;
  } cases[] = {
      {"empty file", "", {}},
      {"header without line end", "vers=1", {}},
      {"any first line is dropped", "vers=99 whatever\n" + kRecordA, makeList({kA})},
      {"first line already a separator", kRecordA + kRecordB, makeList({kB})},
      {"cut after Pattern2", "vers=1\r\n========\r\nold\r\nnew\r\n",
       makeList({makeRule("old", "new", 0, "", 0, 0)})},
      {"cut inside the last line", "vers=1\r\n========\r\nold\r\nnew\r\n4",
       makeList({makeRule("old", "new", 4, "", 0, 0)})},
      {"second record cut before Pattern2", kHead + kRecordA + "========\r\nx\r\n", makeList({kA})},
      {"nine padding lines swallow the next separator",
       kHead + record({"a1", "a2", "1", "a3", "4", "5"}, 9) + kRecordB + kRecordA,
       makeList({kA, kA})},
      {"padding content is ignored",
       kHead + record({"a1", "a2", "1", "a3", "4", "5"}, 0) + repeat("junk\r\n", 9) +
           "========\r\n" + kRecordB,
       makeList({kA, kB})},
      {"stray lines are skipped",
       "vers=1\r\nnote\r\n" + kRecordA + "=======\r\n======== \r\n========\r\r\n\r\n" + kRecordB,
       makeList({kA, kB})},
      {"separator text inside a record is data",
       kHead + record({"========", "========", "1", "========", "1", "1"}),
       makeList({makeRule("========", "========", 1, "========", 1, 1)})},
      // CRs go before markers are decoded, so "(_^\rp_)" is a line break.
      {"CRs removed and markers decoded",
       kHead + record({"o\rl\rd", "\r(_^p_)(_^p_)\r", "1", "x(_^\rp_)y\r", "1", "1"}),
       makeList({makeRule("old", "\n\n", 1, "x\ny", 1, 1)})},
      {"zero bytes and byte 26 are ordinary",
       kHead + record({"a\0b"s, "\x1a\0"s, "2", "\0"s, "1", "1"}) + kRecordB,
       makeList({makeRule("a\0b"s, "\x1a\0"s, 2, "\0"s, 1, 1), kB})},
      {"numbers as atoi, clamped to 32 bits",
       kHead + record({"p", "q", "12abc", "r", "2147483648", "-99999999999"}),
       makeList({makeRule("p", "q", 12, "r", kMax, kMin)})},
      // "\2405" is a no-break space (0xA0), which is no blank, and a 5.
      {"number prefixes", kHead + record({"p", "q", " \t\v\f +5", "r", "- 5", "\2405"}),
       makeList({makeRule("p", "q", 5, "r", 0, 0)})},
      {"numbers beyond 64 bits, empty number",
       kHead + record({"p", "q", "-2147483649", "r", "123456789012345678901234567890", ""}),
       makeList({makeRule("p", "q", kMin, "r", kMax, 0)})},
      {"LF-only line ends", lfOnly, kTwoRuleExample},
  };
  for (const auto& c : cases) EXPECT_EQ(decodePatternFile(c.bytes), c.expected) << c.why;
}

// Random bytes rich in LF and in the characters of the marker and the
// separator, without CR and without the marker itself.
std::string randomText(std::mt19937& rng) {
  static const std::string kFavoured = "\n(_^p)=\0\x1a "s;
  for (;;) {
    std::string text;
    for (int i = static_cast<int>(rng() % 25); i > 0; --i) {
      const char c = rng() % 2 ? kFavoured[rng() % kFavoured.size()] : static_cast<char>(rng());
      text.push_back(c == '\r' ? '\n' : c);
    }
    if (text.find("(_^p_)") == std::string::npos) return text;
  }
}

std::int32_t randomNumber(std::mt19937& rng) {
  static const std::int32_t kEdges[] = {0, -1, kMax, kMin};
  return rng() % 4 == 0 ? kEdges[rng() % 4] : static_cast<std::int32_t>(rng());
}

TEST(PatternFile, RandomRulesSurviveARoundTrip) {
  std::mt19937 rng(20240611);
  for (int iteration = 0; iteration < 300; ++iteration) {
    RuleList list;
    for (int n = static_cast<int>(rng() % 6); n > 0; --n) {
      list.append(makeRule(randomText(rng), randomText(rng), randomNumber(rng), randomText(rng),
                           randomNumber(rng), randomNumber(rng)));
    }
    ASSERT_EQ(decodePatternFile(encodePatternFile(list)), list) << "iteration " << iteration;
  }
}

// A line of megabytes full of CRs and markers, then many records: read and
// written exactly (a reader that erases in place would also take minutes).
TEST(PatternFile, LargeFileRoundTrip) {
  const std::size_t pieces = 500'000, records = 50'000;
  const std::string decoded = repeat("x\n", pieces);
  RuleList expected = makeList({makeRule(decoded, "", 1, decoded, 1, 1)});
  for (std::size_t i = 0; i < records; ++i) expected.append(kA);
  const std::string line = repeat("x\r(_^p_)", pieces), clean = repeat("x(_^p_)", pieces);
  const std::string rest = repeat(kRecordA, records);
  EXPECT_TRUE(decodePatternFile(kHead + record({line, "", "1", line, "1", "1"}) + rest) ==
              expected);
  EXPECT_TRUE(encodePatternFile(expected) ==
              kHead + record({clean, "", "1", clean, "1", "1"}) + rest);
}

TEST(PatternFile, CaptionShowsThePathOrItsLast18Bytes) {
  const struct {
    std::string path;
    bool utf8;
    std::string caption;
  } cases[] = {
      {"", true, "Strovel  []"},
      {"pattern_name1.shbl", false, "Strovel  [pattern_name1.shbl]"},
      {"/pattern_name1.shbl", true, "Strovel  [...pattern_name1.shbl]"},
      // "\303\251" is a UTF-8 "é"; in the first two paths the last 18 bytes
      // begin with its second byte.
      {"/home/\303\251abcdefghijklmnopq", true, "Strovel  [...abcdefghijklmnopq]"},
      {"/home/\303\251abcdefghijklmnopq", false, "Strovel  [...\251abcdefghijklmnopq]"},
      {"/home/u/\303\251abcdefghijklmnop", true, "Strovel  [...\303\251abcdefghijklmnop]"},
  };
  for (const auto& c : cases) EXPECT_EQ(patternCaption(c.path, c.utf8), c.caption) << c.path;
}

const PatternState kStale{makeList({makeRule("stale", "", 2, "", 1, 1)}), "before.shbl", true};

auto fields(const PatternState& state) {
  return std::tie(state.rules, state.currentPatternPath, state.patternModified);
}

TEST(PatternStateTest, LoadReplacesTheStateOrReportsAndKeepsIt) {
  MemoryFileSystem files;
  files.files = {{"sub/p.shbl", kTwoRuleExampleBytes}, {"empty.shbl", ""}, {"locked.shbl", ""}};
  files.unreadable.insert("locked.shbl");
  const struct {
    std::string path;
    bool loaded;
    PatternState after;
  } cases[] = {{"sub/p.shbl", true, {kTwoRuleExample, "sub/p.shbl", false}},
               {"empty.shbl", true, {{}, "empty.shbl", false}},
               {"missing.shbl", false, kStale},
               {"locked.shbl", false, kStale}};
  for (const auto& c : cases) {
    PatternState state = kStale;
    RecordingSink sink;
    EXPECT_EQ(loadPattern(state, c.path, files, sink), c.loaded) << c.path;
    EXPECT_EQ(fields(state), fields(c.after)) << c.path;
    EXPECT_EQ(sink.notices,
              (c.loaded ? std::vector<Notice>{} : std::vector<Notice>{{164, c.path}}));
  }
}

// Writes succeed but putting the file in place fails (a full disk at flush
// time, a rename refused).
class CommitFailingFileSystem : public MemoryFileSystem {
  struct Output : OutputFile {
    bool write(std::string_view) override { return true; }
    bool commit() override { return false; }
  };

 public:
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
  const PatternState saved{kStale.rules, "p.shbl", false};
  for (MemoryFileSystem* fs :
       {&working, &uncreatable, &failingWrite, static_cast<MemoryFileSystem*>(&failingCommit)}) {
    const bool ok = fs == &working;
    fs->files["p.shbl"] = "previous";
    PatternState state = kStale;
    RecordingSink sink;
    EXPECT_EQ(savePattern(state, "p.shbl", *fs, sink), ok);
    EXPECT_EQ(fs->files["p.shbl"], ok ? encodePatternFile(kStale.rules) : "previous");
    EXPECT_EQ(fields(state), fields(ok ? saved : kStale));
    EXPECT_EQ(sink.notices,
              (std::vector<Notice>{ok ? Notice{166, "/work/p.shbl"} : Notice{164, "p.shbl"}}));
  }
}

}  // namespace
}  // namespace strovel
