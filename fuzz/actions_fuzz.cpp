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
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "engine/line_filters.h"
#include "engine/replace_between.h"
#include "engine/rule_chain.h"
#include "engine/sorting.h"
#include "fuzz/fuzz_support.h"
#include "tests/engine/literal_actions.h"

namespace {

using namespace strovel;

// Mostly small occurrence numbers (-2 to 5), now and then an extreme one.
std::int32_t occurrence(fuzz::ByteReader& in) {
  const std::uint8_t b = in.byte();
  if (b == 0xFF) return std::numeric_limits<std::int32_t>::max();
  if (b == 0xFE) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(b % 8) - 2;
}

Rule readRule(fuzz::ByteReader& in, std::int32_t action) {
  Rule rule;
  rule.ActionType = action;
  rule.LocationFromStart = occurrence(in);
  rule.LocationAfterPattern1 = occurrence(in);
  rule.Pattern1 = in.text(8);
  rule.Pattern2 = in.text(8);
  rule.Pattern3 = in.text(8);
  return rule;
}

template <typename Streaming>
void feed(Streaming& action, const std::string& input, std::size_t piece) {
  for (std::size_t at = 0; at < input.size(); at += piece)
    action.append(std::string_view(input).substr(at, piece));
}

// The streaming form of the rule's action gives the literal text, counts
// and report. SortByElement streams only as a stage of a chain.
void compareAction(const std::string& input, const Rule& rule, std::size_t window,
                   std::size_t piece) {
  std::string expected = input, out;
  literal::Report expectedReport;
  const literal::Counts counts = literal::apply(expected, rule, expectedReport);
  const auto sink = [&](std::string_view p) { out += p; };
  literal::Counts got{};
  const auto run = [&](auto&& action) {
    feed(action, input, piece);
    got.first = action.finish();
  };
  switch (rule.ActionType) {
    case Replace:
      run(StreamReplace(rule, sink, window));
      break;
    case KeepLinesWith:
    case DeleteLinesWith:
      run(StreamFilter(rule, rule.ActionType == KeepLinesWith, sink, window));
      break;
    case ReplaceBetween:
      run(StreamReplaceBetween(rule, sink, window));
      break;
    case ReplaceBetweenInFile:
      run(StreamReplaceInFile(rule, sink, window));
      break;
    case SortDistinct: {
      StreamSortDistinct action(rule, window);
      feed(action, input, piece);
      std::vector<ElementCount> report;
      const SortCounts c = action.finish(report);
      action.write(sink);
      got = {c.first, c.second};
      FUZZ_CHECK(report.size() == expectedReport.size());
      for (std::size_t i = 0; i < report.size(); ++i)
        FUZZ_CHECK(report[i].key == expectedReport[i].first &&
                   report[i].count == expectedReport[i].second);
      break;
    }
    default:
      return;
  }
  FUZZ_CHECK(out == expected);
  FUZZ_CHECK(got == counts);
}

struct CountingNotices : NoticeSink {
  std::size_t count = 0;
  void notify(const Notice&) override { ++count; }
};

// The chain gives the literal actions' text one after the other, a summary
// line per known rule at least, and a notice per unknown one.
void compareChain(const std::string& input, const std::vector<Rule>& rules, std::size_t window,
                  std::size_t piece) {
  RuleList list;
  std::string expected = input, out;
  literal::Report report;
  std::size_t unknown = 0;
  for (const Rule& rule : rules) {
    list.append(rule);
    literal::apply(expected, rule, report);
    unknown += rule.ActionType < 1 || rule.ActionType > 7;
  }
  CountingNotices notices;
  const LanguageSelector language;
  RuleChain chain(
      list, [&](std::string_view p) { out += p; }, language, notices, window);
  feed(chain, input, piece);
  std::vector<std::string> lines;
  chain.finish(lines);
  FUZZ_CHECK(out == expected);
  FUZZ_CHECK(lines.size() >= rules.size() - unknown);
  FUZZ_CHECK(notices.count == unknown);
}

}  // namespace

FUZZ_TARGET(actions) {
  fuzz::ByteReader in(data, size);
  const std::uint8_t first = in.byte();
  std::vector<Rule> rules{readRule(in, first % 7 + 1)};
  // Rules after the first: action 0 stands for one that is unknown.
  for (int extra = first >= 0xE0 ? 1 + (first & 3) : 0; extra > 0; --extra)
    rules.push_back(readRule(in, in.byte() % 8));
  const std::string input = in.rest();
  const std::size_t window = 1 + first / 7 % 32, piece = 1 + input.size() % 13;
  compareAction(input, rules.front(), window, piece);
  compareChain(input, rules, window, piece);
}
