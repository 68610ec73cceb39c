// The fast actions against their literal versions on many random inputs:
// small alphabets make markers, line breaks, equal keys, empty keys and
// lines without an element common, so every branch is met thousands of
// times.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "engine/line_filters.h"
#include "engine/replace_between.h"
#include "engine/sorting.h"
#include "literal_actions.h"
#include "whole_text.h"

namespace strovel {
namespace {

class RandomCases {
 public:
  explicit RandomCases(unsigned seed) : rng_(seed) {}

  std::string text(std::size_t maxLength) {
    static const std::string alphabet = std::string("ab[]()\n\n\r x", 11) + '\0' + "\xff";
    std::string t(pick(0, maxLength), ' ');
    for (char& c : t) c = alphabet[pick(0, alphabet.size() - 1)];
    return t;
  }

  // Longer texts of plain lines where markers are rare, so the walks meet
  // long stretches without an occurrence and jump over them.
  std::string sparseText(std::size_t maxLength) {
    static const std::string rare = std::string("ab[]()\r x", 9) + '\0';
    std::string t(pick(0, maxLength), 'c');
    for (char& c : t) {
      const std::size_t r = pick(0, 99);
      if (r < 15) c = '\n';
      if (r >= 97) c = rare[pick(0, rare.size() - 1)];
    }
    return t;
  }

  Rule rule(std::int32_t action) {
    Rule r;
    r.ActionType = action;
    r.Pattern1 = marker();
    r.Pattern2 = marker();
    r.Pattern3 = pick(0, 3) == 0 ? text(4) : marker();
    r.LocationFromStart = static_cast<std::int32_t>(pick(0, 5)) - 1;
    r.LocationAfterPattern1 = static_cast<std::int32_t>(pick(0, 5)) - 1;
    return r;
  }

 private:
  std::string marker() {
    static const std::vector<std::string> markers = {"",   "[",   "]", "a", "ab", "\n",
                                                     "[a", "]\n", "x", "(", ")",  "aa"};
    return pick(0, 4) == 0 ? text(3) : markers[pick(0, markers.size() - 1)];
  }
  std::size_t pick(std::size_t lo, std::size_t hi) {
    return std::uniform_int_distribution<std::size_t>(lo, hi)(rng_);
  }
  std::mt19937 rng_;
};

std::string describe(const std::string& text, const Rule& r) {
  auto quote = [](const std::string& s) { return ::testing::PrintToString(s); };
  return "text " + quote(text) + " P1 " + quote(r.Pattern1) + " P2 " + quote(r.Pattern2) + " P3 " +
         quote(r.Pattern3) + " locations " + std::to_string(r.LocationFromStart) + "," +
         std::to_string(r.LocationAfterPattern1);
}

constexpr int kCases = 20000;

using CountingAction = std::function<std::uint64_t(std::string&, const Rule&)>;

// The fast and the literal action give the same text and count.
::testing::AssertionResult sameOutcome(const CountingAction& fast, const CountingAction& slow,
                                       const std::string& input, const Rule& rule) {
  std::string fastText = input, slowText = input;
  const std::uint64_t fastCount = fast(fastText, rule), slowCount = slow(slowText, rule);
  if (fastText == slowText && fastCount == slowCount) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << describe(input, rule) << " gives " << ::testing::PrintToString(fastText) << " ("
         << fastCount << "), literally " << ::testing::PrintToString(slowText) << " (" << slowCount
         << ")";
}

TEST(LiteralComparison, CountingActionsMatchLiteralVersions) {
  const std::vector<std::pair<CountingAction, CountingAction>> actions = {
      {[](std::string& t, const Rule& r) { return whole::withAction(t, r, Replace); },
       literal::replace},
      {[](std::string& t, const Rule& r) { return whole::withAction(t, r, KeepLinesWith); },
       literal::keepLines},
      {[](std::string& t, const Rule& r) { return whole::withAction(t, r, DeleteLinesWith); },
       literal::deleteLines},
      {[](std::string& t, const Rule& r) { return whole::withAction(t, r, ReplaceBetween); },
       literal::replaceBetween},
      {[](std::string& t, const Rule& r) { return whole::withAction(t, r, ReplaceBetweenInFile); },
       literal::replaceBetweenInFile},
  };
  RandomCases random(1);
  for (int i = 0; i < kCases; ++i) {
    const std::string input = i % 2 ? random.text(40) : random.sparseText(400);
    const Rule rule = random.rule(Replace);
    for (const auto& [fast, slow] : actions) ASSERT_TRUE(sameOutcome(fast, slow, input, rule));
  }
}

// The streaming actions against their literal versions: random texts in random
// pieces, with windows from a single byte up, so lines and occurrences are
// cut at every possible place.
TEST(LiteralComparison, StreamingActionsMatchLiteralVersions) {
  RandomCases random(9);
  std::mt19937 pieces(10);
  for (int i = 0; i < kCases; ++i) {
    const std::string input = i % 2 ? random.text(60) : random.sparseText(400);
    const Rule rule = random.rule(KeepLinesWith);
    const std::size_t window = 1 + pieces() % 30;
    // The input in random pieces; what comes out is gathered in `streamed`.
    std::string streamed;
    const auto sink = [&](std::string_view piece) { streamed += piece; };
    const auto feed = [&](auto& action) {
      streamed.clear();
      for (std::size_t at = 0; at < input.size();) {
        const std::size_t n = std::min<std::size_t>(input.size() - at, 1 + pieces() % 20);
        action.append(std::string_view(input).substr(at, n));
        at += n;
      }
    };
    const auto expect = [&](auto& action, const CountingAction& slow, const char* name) {
      std::string expected = input;
      const std::uint64_t expectedCount = slow(expected, rule);
      feed(action);
      ASSERT_EQ(action.finish(), expectedCount) << describe(input, rule) << " " << name;
      ASSERT_EQ(streamed, expected) << describe(input, rule) << " " << name;
    };
    StreamFilter keep(rule, true, sink, window), drop(rule, false, sink, window);
    StreamReplace replace(rule, sink, window);
    StreamReplaceBetween between(rule, sink, window);
    StreamReplaceInFile inFile(rule, sink, window);
    expect(keep, literal::keepLines, "keep");
    expect(drop, literal::deleteLines, "delete");
    expect(replace, literal::replace, "replace");
    expect(between, literal::replaceBetween, "between");
    expect(inFile, literal::replaceBetweenInFile, "in file");
    if (::testing::Test::HasFatalFailure()) return;

    std::string expected = input;
    std::vector<std::pair<std::string, std::uint64_t>> expectedReport;
    const auto expectedDistinct = literal::sortDistinct(expected, rule, expectedReport);
    StreamSortDistinct distinct(rule, window);
    feed(distinct);
    std::string sorted;
    std::vector<ElementCount> report;
    const SortCounts counts = distinct.finish(report);
    distinct.write([&](std::string_view piece) { sorted += piece; });
    ASSERT_EQ(sorted, expected) << describe(input, rule) << " distinct";
    ASSERT_EQ(counts.first, expectedDistinct.first) << describe(input, rule);
    ASSERT_EQ(counts.second, expectedDistinct.second) << describe(input, rule);
    ASSERT_EQ(report.size(), expectedReport.size()) << describe(input, rule);
    for (std::size_t n = 0; n < report.size(); ++n)
      ASSERT_TRUE(report[n].key == expectedReport[n].first &&
                  report[n].count == expectedReport[n].second)
          << describe(input, rule) << " report entry " << n;
  }
}

TEST(LiteralComparison, SortsMatchOneByOnePlacing) {
  RandomCases random(3);
  for (int i = 0; i < kCases; ++i) {
    const std::string input = i % 2 ? random.text(60) : random.sparseText(300);
    const Rule rule = random.rule(SortByElement);
    std::string slow = input;
    const auto expected = literal::sortByElement(slow, rule);
    // On one thread, and split over two from two lines on.
    for (const std::size_t twoThreadsFrom : {std::size_t{1} << 15, std::size_t{2}}) {
      std::string fast = input;
      const SortCounts counts = whole::sortByElement(fast, rule, twoThreadsFrom);
      ASSERT_EQ(fast, slow) << describe(input, rule) << " from " << twoThreadsFrom;
      ASSERT_EQ(counts.first, expected.first) << describe(input, rule);
      ASSERT_EQ(counts.second, expected.second) << describe(input, rule);
    }
    std::string fast = input;
    slow = input;
    std::vector<ElementCount> report;
    std::vector<std::pair<std::string, std::uint64_t>> expectedReport;
    const SortCounts distinct = whole::sortDistinct(fast, rule, report);
    const auto expectedDistinct = literal::sortDistinct(slow, rule, expectedReport);
    ASSERT_EQ(fast, slow) << describe(input, rule);
    ASSERT_EQ(distinct.first, expectedDistinct.first) << describe(input, rule);
    ASSERT_EQ(distinct.second, expectedDistinct.second) << describe(input, rule);
    ASSERT_EQ(report.size(), expectedReport.size()) << describe(input, rule);
    for (std::size_t n = 0; n < report.size(); ++n) {
      ASSERT_EQ(report[n].key, expectedReport[n].first) << describe(input, rule);
      ASSERT_EQ(report[n].count, expectedReport[n].second) << describe(input, rule);
    }
  }
}

// Many lines with few distinct keys: long runs of equal keys and of lines
// without an element between them.
TEST(LiteralComparison, SortsMatchOnManyEqualKeys) {
  std::mt19937 rng(4);
  for (int i = 0; i < 2000; ++i) {
    std::string input;
    const int lines = static_cast<int>(rng() % 30);
    for (int n = 0; n < lines; ++n) {
      if (n) input += '\n';
      switch (rng() % 4) {
        case 0:
          input += "no element";
          break;
        case 1:
          input += "[]";
          break;  // ']' right after '[' is not seen
        default:
          input += "x[" + std::string(1, static_cast<char>('a' + rng() % 3)) + "]";
          break;
      }
    }
    Rule rule{"[", "", "]", SortByElement, 1, 1};
    std::string fast = input, slow = input;
    whole::sortByElement(fast, rule, rng() % 2 ? 2 : 1 << 15);
    literal::sortByElement(slow, rule);
    ASSERT_EQ(fast, slow) << ::testing::PrintToString(input);
    std::vector<ElementCount> report;
    std::vector<std::pair<std::string, std::uint64_t>> expected;
    fast = slow = input;
    whole::sortDistinct(fast, rule, report);
    literal::sortDistinct(slow, rule, expected);
    ASSERT_EQ(fast, slow) << ::testing::PrintToString(input);
  }
}

// Hundreds of lines whose keys run from empty to twenty bytes over a tiny
// alphabet (zero and 0xFF bytes among it): long shared prefixes, keys that
// are prefixes of others, and groups that need more than eight key bytes.
TEST(LiteralComparison, SortsMatchOnLongKeysAndManyLines) {
  std::mt19937 rng(8);
  for (int i = 0; i < 300; ++i) {
    std::string input;
    const int lines = static_cast<int>(rng() % 400);
    const std::size_t longest = 1 + rng() % 20;
    for (int n = 0; n < lines; ++n) {
      if (n) input += '\n';
      if (rng() % 10 == 0) {
        input += "none";
        continue;
      }
      std::string key(rng() % (longest + 1), 'a');
      for (char& c : key) c = std::string("ab\0\xff", 4)[rng() % (i % 2 ? 2 : 4)];
      // Every third case: most keys share a long run of 'a' before they differ.
      if (i % 3 == 0) key = std::string(8 + rng() % 12, 'a') + key.substr(0, 3);
      input += "x<" + key + ">";
    }
    const Rule rule{"<", "", ">", SortByElement, 1, 1};
    std::string fast = input, slow = input;
    const SortCounts counts = whole::sortByElement(fast, rule, i % 4 < 2 ? 40 : 1 << 15);
    ASSERT_EQ(counts.first, literal::sortByElement(slow, rule).first);
    ASSERT_EQ(fast, slow) << ::testing::PrintToString(input);
    std::vector<ElementCount> report;
    std::vector<std::pair<std::string, std::uint64_t>> expected;
    fast = slow = input;
    whole::sortDistinct(fast, rule, report);
    literal::sortDistinct(slow, rule, expected);
    ASSERT_EQ(fast, slow) << ::testing::PrintToString(input);
    ASSERT_EQ(report.size(), expected.size());
    for (std::size_t n = 0; n < report.size(); ++n)
      ASSERT_EQ(report[n].key, expected[n].first) << n;
  }
}

}  // namespace
}  // namespace strovel
