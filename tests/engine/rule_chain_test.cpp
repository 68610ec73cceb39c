// Whole runs through chains of rules against the literal actions applied
// one after the other to the whole text: random raw files (CR LF pairs, lone
// CRs, zero bytes, a Ctrl-Z now and then, bytes that DOS mode converts) read
// in random pieces from one byte to a megabyte, random chains of one to five
// rules with small and normal windows, with and without DOS mode and
// statistics, the reading and the writing on the calling thread or on
// threads of their own with queues of tiny pieces. The result file must hold
// exactly the literal bytes; a read that fails midway leaves the old result.
#include <gtest/gtest.h>

#include <random>

#include "engine/processing_run.h"
#include "literal_actions.h"
#include "platform/codepage.h"
#include "platform/text_mode.h"
#include "support/memory_file_system.h"
#include "support/test_environment.h"

namespace strovel {
namespace {

// Hands the file's text out in pieces cut at random raw offsets, converted
// as the disk source converts them.
class RandomPieces : public TextSource {
 public:
  RandomPieces(std::string raw, std::mt19937& rng, std::size_t failAt)
      : raw_(std::move(raw)), rng_(rng), failAt_(failAt), reader_(0) {}
  bool next(std::string_view& piece) override {
    while (!ended_) {
      if (at_ >= failAt_) return !(ended_ = failed_ = true);
      if (at_ == raw_.size()) {
        ended_ = true;
        piece = reader_.drainLast();
        return !piece.empty();
      }
      // Mostly short pieces, now and then up to a megabyte.
      const std::size_t scale = std::size_t{1} << (rng_() % 21);
      const std::size_t n = std::min(raw_.size() - at_, 1 + rng_() % scale);
      ended_ = !reader_.append(std::string_view(raw_).substr(at_, n));
      at_ += n;
      piece = ended_ ? reader_.drainLast() : reader_.drain();
      if (!piece.empty()) return true;
    }
    return false;
  }
  bool failed() const override { return failed_; }
  double done() const override { return raw_.empty() ? 1 : double(at_) / double(raw_.size()); }

 private:
  std::string raw_;
  std::mt19937& rng_;
  std::size_t failAt_;  // a read at or past this raw offset fails
  bool failed_ = false;
  std::size_t at_ = 0;
  TextModeReader reader_;
  bool ended_ = false;
};

class PieceFileSystem : public MemoryFileSystem {
 public:
  std::mt19937 rng{5};
  std::size_t failAt = std::string::npos;
  std::unique_ptr<TextSource> openText(const std::string& path) override {
    return std::make_unique<RandomPieces>(files.at(path), rng, failAt);
  }
};

using Environment = TestEnvironment<PieceFileSystem>;

std::string summary(int id, std::initializer_list<TextArg> args) {
  return formatText(loadString(id), args);
}

// The literal run: the rules one after the other on the whole text, with
// their summary lines, then the result file's bytes.
std::string literalRun(const std::string& raw, const std::vector<Rule>& rules, bool dos,
                       bool statistics, std::vector<std::string>& lines, int& unknown) {
  std::string text = raw;
  fromTextMode(text);
  if (dos) oemToAnsi(text);
  for (const Rule& r : rules) {
    switch (r.ActionType) {
      case Replace:
        lines.push_back(summary(144, {r.Pattern1, r.Pattern2, literal::replace(text, r)}));
        break;
      case KeepLinesWith:
        lines.push_back(summary(146, {r.Pattern1, literal::keepLines(text, r)}));
        break;
      case DeleteLinesWith:
        lines.push_back(summary(148, {r.Pattern1, literal::deleteLines(text, r)}));
        break;
      case ReplaceBetween:
        lines.push_back(summary(150, {r.Pattern1, r.Pattern2, literal::replaceBetween(text, r)}));
        break;
      case ReplaceBetweenInFile:
        lines.push_back(
            summary(150, {r.Pattern1, r.Pattern2, literal::replaceBetweenInFile(text, r)}));
        break;
      case SortByElement: {
        const auto [sorted, keyless] = literal::sortByElement(text, r);
        lines.push_back(summary(152, {r.Pattern1, r.Pattern2, sorted, keyless}));
        break;
      }
      case SortDistinct: {
        std::vector<std::pair<std::string, std::uint64_t>> report;
        const auto [kept, removed] = literal::sortDistinct(text, r, report);
        lines.push_back(summary(154, {r.Pattern1, r.Pattern2, kept, removed}));
        for (auto& [key, count] : report) {
          std::erase(key, '\n');
          lines.push_back(summary(156, {key, count}));
        }
        break;
      }
      default:
        ++unknown;
    }
  }
  std::string shown;
  if (statistics) {
    for (const std::string& line : lines) shown += line + "\n";
    shown += "\n\n";
  }
  shown += text;
  std::string bytes;
  for (char c : shown) c == '\n' ? bytes += "\r\n" : bytes += c;
  return bytes;
}

class Random {
 public:
  explicit Random(unsigned seed) : rng(seed) {}
  std::size_t pick(std::size_t lo, std::size_t hi) {
    return std::uniform_int_distribution<std::size_t>(lo, hi)(rng);
  }
  // Raw file bytes: line breaks of every kind, markers, zero and high bytes,
  // and in one file of twenty a Ctrl-Z somewhere.
  std::string raw(std::size_t maxLength) {
    static const std::vector<std::string> parts = {"\r\n", "\r\n",     "\n",
                                                   "\r",   "a",        "b",
                                                   "ab",   "[",        "]",
                                                   "x",    " ",        std::string(1, '\0'),
                                                   "\x80", "\xA0\xE0", "line of text",
                                                   "[k]",  "\r\n[a]"};
    std::string t;
    const std::size_t length = pick(0, maxLength);
    while (t.size() < length) t += parts[pick(0, parts.size() - 1)];
    if (pick(0, 19) == 0) t.insert(pick(0, t.size()), 1, '\x1A');
    return t;
  }
  std::string marker() {
    static const std::vector<std::string> markers = {"",   "[",   "]", "a", "ab", "\n",
                                                     "[a", "]\n", "x", "b", " ",  "\xD0\x90"};
    return markers[pick(0, markers.size() - 1)];
  }
  Rule rule() {
    Rule r;
    // The seven actions, and now and then an unknown one.
    r.ActionType = static_cast<std::int32_t>(pick(0, 20) == 0 ? 9 : pick(1, 7));
    r.Pattern1 = marker();
    r.Pattern2 = marker();
    r.Pattern3 = pick(0, 3) == 0 ? raw(4) : marker();
    r.LocationFromStart = static_cast<std::int32_t>(pick(0, 4)) - 1;
    r.LocationAfterPattern1 = static_cast<std::int32_t>(pick(0, 4)) - 1;
    return r;
  }
  std::mt19937 rng;
};

TEST(RuleChain, RunsMatchLiteralActionsInSequence) {
  Random random(21);
  Environment env;
  for (int i = 0; i < 10000; ++i) {
    const std::string raw = random.raw(i % 10 == 0 ? 4000 : 300);
    // Now and then a chain long enough to span groups of stages.
    std::vector<Rule> rules(random.pick(1, i % 10 == 1 ? 40 : 5));
    for (Rule& r : rules) r = random.rule();
    RunOptions options;
    options.dosMode = random.pick(0, 1);
    options.statistics = random.pick(0, 1);
    options.ruleWindow = random.pick(0, 1) ? random.pick(1, 64) : std::size_t{1} << 20;
    if (random.pick(0, 1))
      options.flow = {.threadsFrom = random.pick(0, 1) ? 0 : random.pick(0, 300),
                      .piece = random.pick(1, 64),
                      .depth = random.pick(1, 3)};
    const bool failing = random.pick(0, 19) == 0 && raw.find('\x1A') == std::string::npos;
    env.disk.failAt = failing ? random.pick(0, raw.size()) : std::string::npos;
    env.disk.files = {{"in.txt", raw}, {"res_1.txt", "old"}};
    env.sink.notices.clear();
    RuleList list;
    for (const Rule& r : rules) list.append(r);
    std::vector<std::string> lines, expectedLines;
    int unknown = 0;
    const std::string expected =
        literalRun(raw, rules, options.dosMode, options.statistics, expectedLines, unknown);
    const bool written = processFile(list, "in.txt", 1, options, env, lines);
    std::string description =
        testing::PrintToString(raw) + " dos " + std::to_string(options.dosMode) + " window " +
        std::to_string(options.ruleWindow) + " threads from " +
        std::to_string(options.flow.threadsFrom) + " piece " + std::to_string(options.flow.piece);
    for (const Rule& r : rules)
      description +=
          " | " + std::to_string(r.ActionType) + " " + testing::PrintToString(r.Pattern1) + " " +
          testing::PrintToString(r.Pattern2) + " " + testing::PrintToString(r.Pattern3) + " " +
          std::to_string(r.LocationFromStart) + "," + std::to_string(r.LocationAfterPattern1);
    if (failing) {
      ASSERT_FALSE(written) << description;
      ASSERT_EQ(env.disk.files.at("res_1.txt"), "old") << description;
      ASSERT_EQ(env.sink.notices, (std::vector<Notice>{{164, "in.txt"}})) << description;
      continue;
    }
    ASSERT_TRUE(written) << description;
    ASSERT_EQ(env.disk.files.at("res_1.txt"), expected) << description;
    ASSERT_EQ(lines, expectedLines) << description;
    ASSERT_EQ(env.sink.notices.size(), static_cast<std::size_t>(unknown)) << description;
  }
}

// A pattern of many thousand rules passes the text through all of them
// without nesting a call per rule.
TEST(RuleChain, LongChainsDoNotNestCalls) {
  Environment env;
  env.disk.files = {{"in.txt", "a\r\nb"}};
  RuleList list;
  for (int i = 0; i < 200000; ++i) {
    Rule rule;
    rule.ActionType = i % 2 ? Replace : 0;
    rule.Pattern1 = "a";
    rule.Pattern2 = i + 1 == 200000 ? "c" : "a";
    list.append(rule);
  }
  std::vector<std::string> lines;
  ASSERT_TRUE(processFile(list, "in.txt", 1, {}, env, lines));
  EXPECT_EQ(env.disk.files.at("res_1.txt"), "c\r\nb");
  EXPECT_EQ(lines.size(), 100000u);
  EXPECT_EQ(env.sink.notices.size(), 100000u);
}

}  // namespace
}  // namespace strovel
