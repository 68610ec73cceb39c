// The actions on small, hand-made texts: each row is a case whose result is
// worked out by hand from how the action is meant to behave (the quirks
// included: segments carry the LF in front of their line, the first search
// for a marker starts one byte in, keys run on past the element).
#include <gtest/gtest.h>

#include "whole_text.h"

namespace strovel {
namespace {

Rule rule(std::string p1, std::string p2, std::string p3 = "", int fromStart = 1,
          int afterPattern1 = 1) {
  return Rule{std::move(p1), std::move(p3), std::move(p2), 0, fromStart, afterPattern1};
}

struct Case {
  const char* name;
  std::string text;
  Rule rule;
  std::string expected;
  std::uint64_t count;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// The rows of one action's table, each rule given that action.
testing::internal::ParamGenerator<Case> forAction(std::int32_t action, std::vector<Case> cases) {
  for (Case& c : cases) c.rule.ActionType = action;
  return testing::ValuesIn(cases);
}

class ActionCase : public testing::TestWithParam<Case> {};
TEST_P(ActionCase, GivesTextAndCount) {
  std::string text = GetParam().text;
  EXPECT_EQ(whole::applyRule(text, GetParam().rule), GetParam().count);
  EXPECT_EQ(text, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Replace, ActionCase,
    forAction(Replace,
              {Case{"every occurrence", "aXa\nYa", rule("a", "b"), "bXb\nYb", 3},
               Case{"occurrences never overlap", "aaa", rule("aa", "b"), "ba", 1},
               Case{"inserted text is not searched again", "aXa", rule("a", "aa"), "aaXaa", 2},
               Case{"LF removed joins lines", "a\nb\nc", rule("\n", ""), "abc", 2},
               Case{"across a line break", "x\ny x\nz", rule("x\ny", "Q"), "Q x\nz", 1},
               Case{"line breaks unified even without a match", "a\r\nb\rc\r\r\n", rule("zz", "y"),
                    "a\nb\nc\n\n", 0},
               Case{"empty Pattern1 changes nothing else", "a\rb", rule("", "y"), "a\nb", 0},
               Case{"goes on past zero bytes", std::string("a\0a", 3), rule("a", "b"),
                    std::string("b\0b", 3), 2},
               Case{"empty Pattern2 deletes", "abcabc", rule("b", ""), "acac", 2}}));

INSTANTIATE_TEST_SUITE_P(
    KeepLinesWith, ActionCase,
    forAction(KeepLinesWith,
              {Case{"kept later line carries its LF", "a\nb\nc", rule("b", ""), "\nb", 1},
               Case{"stops when nothing is left", "abc\nx", rule("c", ""), "abc", 1},
               Case{"empty Pattern1 keeps every segment", "a\nb\n", rule("", ""), "a\nb\n", 3},
               Case{"final empty segment dropped", "a\na\n", rule("a", ""), "a\na", 2},
               Case{"Pattern1 with LF matches the next line's start", "x\nab\ncd", rule("\nc", ""),
                    "\ncd", 1},
               Case{"lone CRs end lines after the last LF", "a\nb\rc\rb", rule("b", ""), "\nb\rb",
                    2},
               Case{"lone CR before a LF is not a line end", "ab\rc\nd", rule("c", ""), "ab\rc", 1},
               Case{"text starting with LF: first segment spans two lines", "\nab\ncd",
                    rule("a", ""), "\nab", 1},
               Case{"empty text", "", rule("", ""), "", 0}}));

TEST(KeepLinesWith, SkipAheadIsNotTakenPastTheOccurrence) {
  // The first line is one byte long; the only occurrence lies at 5150 inside
  // a line running from 4000 to 5300. The LF found from trunc(0.9 * 5150)
  // lies after the occurrence, so no line is skipped and that line is kept.
  std::string text = "a\n" + std::string(3998, 'x') + "\n" + std::string(1149, 'y') + "Z" +
                     std::string(149, 'y') + "\n" + "tail";
  ASSERT_EQ(text.find('Z'), 5150u);
  ASSERT_EQ(text.find('\n', 4001), 5300u);
  const std::string line = text.substr(4000, 1300);
  EXPECT_EQ(whole::withAction(text, rule("Z", ""), KeepLinesWith), 1u);
  EXPECT_EQ(text, line);
}

TEST(KeepLinesWith, SkipAheadDropsTheLinesItPassesOver) {
  // Lines of 10 bytes; the occurrence far ahead. Whatever the skip passes
  // over holds no occurrence, so the result is the one matching line.
  std::string text;
  for (int i = 0; i < 2000; ++i) text += std::string(9, 'a') + "\n";
  text += "hit";
  EXPECT_EQ(whole::withAction(text, rule("hit", ""), KeepLinesWith), 1u);
  EXPECT_EQ(text, "\nhit");
}

INSTANTIATE_TEST_SUITE_P(
    DeleteLinesWith, ActionCase,
    forAction(DeleteLinesWith,
              {Case{"first line dropped", "a\nb\nc", rule("a", ""), "\nb\nc", 1},
               Case{"empty Pattern1 removes everything", "a\nb\n", rule("", ""), "", 3},
               Case{"final empty segment kept", "a\nb\n", rule("a", ""), "\nb\n", 1},
               Case{"lone CR lines", "xa\rb\ra", rule("a", ""), "\rb", 2},
               Case{"zero bytes are ordinary", std::string("a\0b\nc", 5), rule("b", ""), "\nc",
                    1}}));

INSTANTIATE_TEST_SUITE_P(
    ReplaceBetween, ActionCase,
    forAction(ReplaceBetween,
              {Case{"first element of each line", "x[a]y\nz[b]w[c]v", rule("[", "]", "<>"),
                    "x<>y\nz<>w[c]v", 2},
               Case{"second left marker", "x[a]y\nz[b]w[c]v", rule("[", "]", "<>", 2),
                    "x[a]y\nz[b]w<>v", 1},
               Case{"second right marker", "x[a]b]c", rule("[", "]", "<>", 1, 2), "x<>c", 1},
               Case{"adjacent markers not seen", "x[]y", rule("[", "]", "<>"), "x[]y", 0},
               Case{"marker at position 0 of the first line not found", "[a]b\n[a]b",
                    rule("[", "]", "<>"), "[a]b\n<>b", 1},
               Case{"empty Pattern2 runs to the line end", "a[bc\nd", rule("[", "", "<>"), "a<>\nd",
                    1},
               Case{"empty Pattern3 deletes", "x[a]y", rule("[", "]", ""), "xy", 1},
               Case{"right side not searched", "x[abc", rule("[", "]", "<>", 1, 0), "x<>bc", 1},
               Case{"left side not searched", "q\nab]c", rule("[", "]", "<>", 0), "q<>c", 1},
               Case{"empty Pattern1 in the first line", "ab]c", rule("", "]", "<>"), "<>c", 1},
               Case{"empty Pattern1 joins a later line to the one before", "q\nab]c",
                    rule("", "]", "<>"), "q<>c", 1},
               Case{"overlapping left markers are counted", "q\naaaa-]", rule("aa", "]", "<>", 3),
                    "q\naa<>", 1},
               Case{"inserted line breaks are not walked again", "a[x]\nb[y]",
                    rule("[", "]", "[\n[z]"), "a[\n[z]\nb[\n[z]", 2}}));

INSTANTIATE_TEST_SUITE_P(
    ReplaceBetweenInFile, ActionCase,
    forAction(ReplaceBetweenInFile,
              {Case{"spans line breaks", "a(b\nc)d", rule("(", ")", "X"), "aXd", 1},
               Case{"marker at position 0 not found", "(b)c", rule("(", ")", "X"), "(b)c", 0},
               Case{"no right marker: nothing", "a(b(c", rule("(", ")", "X"), "a(b(c", 0},
               Case{"every stretch is replaced", "a(1)b(2)c(3)", rule("(", ")", "X"), "aXbXcX", 3},
               Case{"Pattern3 holding the markers ends", "a(1)b(2)", rule("(", ")", "(x)"),
                    "a(x)b(x)", 2},
               Case{"both markers empty and not searched", "abc", rule("", "", "X", 0, 0), "X", 1},
               Case{"empty Pattern1, location 1: right marker from one byte on", "a]b]",
                    rule("", "]", "X", 1, 1), "aX", 1}}));

TEST(ElementLocation, MarkersAndCounts) {
  const std::string text = "zz[a]b]\n[c";
  const Rule r = rule("[", "]");
  MarkerFinders finders(text, r);
  auto element = locateElement(finders, r, 0, 7);
  ASSERT_TRUE(element);
  EXPECT_EQ(element->a, 2u);
  EXPECT_EQ(element->b, 4u);
  Rule second = rule("[", "]", "", 1, 2);
  MarkerFinders secondFinders(text, second);
  element = locateElement(secondFinders, second, 0, 7);
  ASSERT_TRUE(element);
  EXPECT_EQ(element->b, 6u);
  // A left marker beginning at the line end still counts; no right one follows.
  MarkerFinders again(text, r);
  EXPECT_FALSE(locateElement(again, r, 7, 10));
}

struct SortCase {
  const char* name;
  std::string text;
  Rule rule;
  std::string expected;
  std::uint64_t first;
  std::uint64_t second;
};
void PrintTo(const SortCase& c, std::ostream* os) { *os << c.name; }

class SortByElementCase : public testing::TestWithParam<SortCase> {};
TEST_P(SortByElementCase, GivesTextAndCounts) {
  std::string text = GetParam().text;
  const SortCounts counts = whole::sortByElement(text, GetParam().rule);
  EXPECT_EQ(text, GetParam().expected);
  EXPECT_EQ(counts.first, GetParam().first);
  EXPECT_EQ(counts.second, GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(
    SortByElement, SortByElementCase,
    testing::Values(
        SortCase{"heading stays first, keyless tail stays last", "q\ny[b]\nz[a]\nw", rule("[", "]"),
                 "q\nz[a]\ny[b]\nw", 2, 2},
        SortCase{"equal keys in reverse input order", "h\na[k]1\nb[k]2", rule("[", "]"),
                 "h\nb[k]2\na[k]1", 2, 1},
        SortCase{"numbers sort as text", "h\nx[9]\ny[10]", rule("[", "]"), "h\ny[10]\nx[9]", 2, 1},
        SortCase{"final empty segment stays last", "h\nb[2]\na[1]\n", rule("[", "]"),
                 "h\na[1]\nb[2]\n", 2, 2},
        SortCase{"moved first line keeps lines whole", "b[2]\na[1]", rule("[", "]"), "a[1]\nb[2]",
                 2, 0},
        SortCase{"key runs on by |Pattern1| bytes", "h\nx[ab]\ny[a]\n", rule("[", "]"),
                 "h\ny[a]\nx[ab]\n", 2, 2},
        SortCase{"second left marker required", "h\ny[a][c]\nx[b][a]\nz[q]", rule("[", "]", "", 2),
                 "h\nx[b][a]\ny[a][c]\nz[q]", 2, 2},
        SortCase{"keyless line between keys stays behind the greatest earlier key",
                 "h\nx[c]\nnone\ny[a]\nz[d]", rule("[", "]"), "h\ny[a]\nx[c]\nnone\nz[d]", 3, 2},
        SortCase{"empty text", "", rule("[", "]"), "", 0, 0}));

TEST(SortDistinct, KeepsFirstLineOfEachKeyAndReportsCounts) {
  std::string text = "h\na[k]\nb[k]\nc[j]";
  std::vector<ElementCount> report;
  const SortCounts counts = whole::sortDistinct(text, rule("[", "]"), report);
  EXPECT_EQ(text, "h\nc[j]\na[k]");
  EXPECT_EQ(counts.first, 2u);
  EXPECT_EQ(counts.second, 1u);
  const std::vector<ElementCount> expected = {{"k]", 2}, {"j]", 1}, {"", 1}};
  EXPECT_EQ(report, expected);
}

TEST(SortDistinct, EqualCountsReportLaterEntriesFirst) {
  std::string text = "h\nx[b]\ny[a]\nz[b]\nw[a]";
  std::vector<ElementCount> report;
  whole::sortDistinct(text, rule("[", "]"), report);
  EXPECT_EQ(text, "h\ny[a]\nx[b]");
  const std::vector<ElementCount> expected = {{"b]", 2}, {"a]", 2}, {"", 1}};
  EXPECT_EQ(report, expected);
}

TEST(SortDistinct, EmptyTextGivesEmptyReport) {
  std::string text;
  std::vector<ElementCount> report{{"stale", 1}};
  const SortCounts counts = whole::sortDistinct(text, rule("[", "]"), report);
  EXPECT_EQ(counts.first + counts.second, 0u);
  EXPECT_TRUE(report.empty());
}

}  // namespace
}  // namespace strovel
