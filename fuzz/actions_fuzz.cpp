// Fuzz target for the seven actions and for chains of them: the first byte
// picks the first rule's action (and, from 0xE0 on, one to four more rules
// that follow it), the next bytes the occurrence numbers and marker texts
// of each rule, the rest is the text. The streaming form of the first
// action, fed in pieces with a small window (both sizes taken from the
// first byte and the text length), must give exactly the text, the counts
// and (for SortDistinct) the report of the literal version kept for the
// tests; the whole chain, fed the same way, must give the text of the
// literal actions applied one after the other. Inputs stay small
// (-max_len) because the literal versions are quadratic.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/line_filters.h"
#include "engine/replace_between.h"
#include "engine/rule_chain.h"
#include "engine/sorting.h"
#include "fuzz/fuzz_support.h"
#include "tests/engine/literal_actions.h"

namespace {

using strovel::Rule;

// Mostly small occurrence numbers (-2 to 5), now and then an extreme one.
std::int32_t occurrence(strovel::fuzz::ByteReader& in) {
  const std::uint8_t b = in.byte();
  if (b == 0xFF) return std::numeric_limits<std::int32_t>::max();
  if (b == 0xFE) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(b % 8) - 2;
}

// Feeds the text to a streaming action in pieces.
template <typename Streaming>
void feed(Streaming& action, const std::string& input, std::size_t piece) {
  for (std::size_t at = 0; at < input.size(); at += piece)
    action.append(std::string_view(input).substr(at, piece));
}

struct Stream {
  std::size_t window;
  std::size_t piece;
};

// The streaming form of a counting action gives the literal text and count.
template <typename Streaming, typename Slow, typename... Extra>
void compareStreaming(const std::string& input, const Rule& rule, Stream stream, Slow slow,
                      Extra... extra) {
  std::string slowText = input;
  const std::uint64_t slowCount = slow(slowText, rule);
  std::string streamed;
  Streaming action(
      rule, extra..., [&](std::string_view piece) { streamed += piece; }, stream.window);
  feed(action, input, stream.piece);
  FUZZ_CHECK(action.finish() == slowCount);
  FUZZ_CHECK(streamed == slowText);
}

void compareDistinct(const std::string& input, const Rule& rule, Stream stream) {
  std::string slow = input;
  std::vector<std::pair<std::string, std::uint64_t>> expectedReport;
  const auto expected = strovel::literal::sortDistinct(slow, rule, expectedReport);
  const auto check = [&](const std::string& text, const strovel::SortCounts& counts,
                         const std::vector<strovel::ElementCount>& report) {
    FUZZ_CHECK(text == slow);
    FUZZ_CHECK(counts.first == expected.first && counts.second == expected.second);
    FUZZ_CHECK(report.size() == expectedReport.size());
    for (std::size_t i = 0; i < report.size(); ++i) {
      FUZZ_CHECK(report[i].key == expectedReport[i].first);
      FUZZ_CHECK(report[i].count == expectedReport[i].second);
    }
  };
  std::vector<strovel::ElementCount> report;
  strovel::StreamSortDistinct streaming(rule, stream.window);
  feed(streaming, input, stream.piece);
  std::string streamed;
  const strovel::SortCounts streamedCounts = streaming.finish(report);
  streaming.write([&](std::string_view piece) { streamed += piece; });
  check(streamed, streamedCounts, report);
}

// The literal actions one after the other; unknown actions change nothing.
std::string literalChain(std::string text, const std::vector<Rule>& rules) {
  namespace literal = strovel::literal;
  std::vector<std::pair<std::string, std::uint64_t>> report;
  for (const Rule& rule : rules) {
    switch (rule.ActionType) {
      case strovel::Replace:
        literal::replace(text, rule);
        break;
      case strovel::KeepLinesWith:
        literal::keepLines(text, rule);
        break;
      case strovel::DeleteLinesWith:
        literal::deleteLines(text, rule);
        break;
      case strovel::ReplaceBetween:
        literal::replaceBetween(text, rule);
        break;
      case strovel::ReplaceBetweenInFile:
        literal::replaceBetweenInFile(text, rule);
        break;
      case strovel::SortByElement:
        literal::sortByElement(text, rule);
        break;
      case strovel::SortDistinct:
        literal::sortDistinct(text, rule, report);
        break;
      default:
        break;
    }
  }
  return text;
}

struct CountingNotices : strovel::NoticeSink {
  std::size_t count = 0;
  void notify(const strovel::Notice&) override { ++count; }
};

// The chain gives the literal text, a summary line per known rule at least,
// and a notice per unknown one.
void compareChain(const std::string& input, const std::vector<Rule>& rules, Stream stream) {
  strovel::RuleList list;
  std::size_t unknown = 0;
  for (const Rule& rule : rules) {
    list.append(rule);
    unknown += rule.ActionType < 1 || rule.ActionType > 7;
  }
  std::string out;
  CountingNotices notices;
  const strovel::LanguageSelector language;
  strovel::RuleChain chain(
      list, [&](std::string_view piece) { out += piece; }, language, notices, stream.window);
  feed(chain, input, stream.piece);
  std::vector<std::string> lines;
  chain.finish(lines);
  FUZZ_CHECK(out == literalChain(input, rules));
  FUZZ_CHECK(lines.size() >= rules.size() - unknown);
  FUZZ_CHECK(notices.count == unknown);
}

Rule readRule(strovel::fuzz::ByteReader& in, std::int32_t action) {
  Rule rule;
  rule.ActionType = action;
  rule.LocationFromStart = occurrence(in);
  rule.LocationAfterPattern1 = occurrence(in);
  rule.Pattern1 = in.text(8);
  rule.Pattern2 = in.text(8);
  rule.Pattern3 = in.text(8);
  return rule;
}

}  // namespace

FUZZ_TARGET(actions) {
  using namespace strovel;
  fuzz::ByteReader in(data, size);
  const std::uint8_t first = in.byte();
  std::vector<Rule> rules{readRule(in, first % 7 + 1)};
  // Rules after the first: action 0 stands for one that is unknown.
  for (int extra = first >= 0xE0 ? 1 + (first & 3) : 0; extra > 0; --extra)
    rules.push_back(readRule(in, in.byte() % 8));
  const Rule& rule = rules.front();
  const std::string input = in.rest();
  const Stream stream{static_cast<std::size_t>(1 + first / 7 % 32), 1 + input.size() % 13};
  switch (rule.ActionType) {
    case Replace:
      compareStreaming<StreamReplace>(input, rule, stream, literal::replace);
      break;
    case KeepLinesWith:
      compareStreaming<StreamFilter>(input, rule, stream, literal::keepLines, true);
      break;
    case DeleteLinesWith:
      compareStreaming<StreamFilter>(input, rule, stream, literal::deleteLines, false);
      break;
    case ReplaceBetween:
      compareStreaming<StreamReplaceBetween>(input, rule, stream, literal::replaceBetween);
      break;
    case ReplaceBetweenInFile:
      compareStreaming<StreamReplaceInFile>(input, rule, stream, literal::replaceBetweenInFile);
      break;
    case SortDistinct:
      compareDistinct(input, rule, stream);
      break;
    default:
      break;  // SortByElement is checked as a chain of one
  }
  compareChain(input, rules, stream);
}
