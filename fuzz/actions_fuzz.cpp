// Fuzz target for the seven actions: the first byte picks the action, the
// next bytes the two occurrence numbers and the three marker texts, the rest
// is the text. The fast engine action must give exactly the text, the counts
// and (for SortDistinct) the report of the literal version kept for the
// tests, and so must the streaming form of the action, fed in pieces with a
// small window (both sizes taken from the first byte and the text length).
// Inputs stay small (-max_len) because the literal versions are quadratic.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/line_filters.h"
#include "engine/replace_between.h"
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

template <typename Fast, typename Slow>
void compareCounting(const std::string& input, const Rule& rule, Fast fast, Slow slow) {
  std::string fastText = input, slowText = input;
  const std::uint64_t fastCount = fast(fastText, rule);
  const std::uint64_t slowCount = slow(slowText, rule);
  FUZZ_CHECK(fastText == slowText);
  FUZZ_CHECK(fastCount == slowCount);
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

void compareSort(const std::string& input, const Rule& rule) {
  std::string fast = input, slow = input;
  const strovel::SortCounts counts = strovel::sortByElement(fast, rule, {});
  const auto expected = strovel::literal::sortByElement(slow, rule);
  FUZZ_CHECK(fast == slow);
  FUZZ_CHECK(counts.first == expected.first && counts.second == expected.second);
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
  std::string fast = input;
  std::vector<strovel::ElementCount> report;
  const strovel::SortCounts counts = strovel::sortDistinct(fast, rule, {}, report);
  check(fast, counts, report);

  strovel::StreamSortDistinct streaming(rule, stream.window);
  feed(streaming, input, stream.piece);
  std::string streamed;
  const strovel::SortCounts streamedCounts =
      streaming.finish([&](std::string_view piece) { streamed += piece; }, report);
  check(streamed, streamedCounts, report);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace strovel;
  fuzz::ByteReader in(data, size);
  Rule rule;
  const std::uint8_t first = in.byte();
  rule.ActionType = first % 7 + 1;
  rule.LocationFromStart = occurrence(in);
  rule.LocationAfterPattern1 = occurrence(in);
  rule.Pattern1 = in.text(8);
  rule.Pattern2 = in.text(8);
  rule.Pattern3 = in.text(8);
  const std::string input = in.rest();
  const Stream stream{static_cast<std::size_t>(1 + first / 7 % 32), 1 + input.size() % 13};
  switch (rule.ActionType) {
    case Replace:
      compareCounting(input, rule, replaceText, literal::replace);
      compareStreaming<StreamReplace>(input, rule, stream, literal::replace);
      break;
    case KeepLinesWith:
      compareCounting(
          input, rule, [](std::string& t, const Rule& r) { return keepLinesWith(t, r, {}); },
          literal::keepLines);
      compareStreaming<StreamFilter>(input, rule, stream, literal::keepLines, true);
      break;
    case DeleteLinesWith:
      compareCounting(
          input, rule, [](std::string& t, const Rule& r) { return deleteLinesWith(t, r, {}); },
          literal::deleteLines);
      compareStreaming<StreamFilter>(input, rule, stream, literal::deleteLines, false);
      break;
    case ReplaceBetween:
      compareCounting(
          input, rule, [](std::string& t, const Rule& r) { return replaceBetween(t, r, {}); },
          literal::replaceBetween);
      compareStreaming<StreamReplaceBetween>(input, rule, stream, literal::replaceBetween);
      break;
    case ReplaceBetweenInFile:
      compareCounting(input, rule, replaceBetweenInFile, literal::replaceBetweenInFile);
      compareStreaming<StreamReplaceInFile>(input, rule, stream, literal::replaceBetweenInFile);
      break;
    case SortByElement:
      compareSort(input, rule);
      break;
    default:
      compareDistinct(input, rule, stream);
      break;
  }
  return 0;
}
