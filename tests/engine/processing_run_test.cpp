// Whole processing runs against an in-memory file system: what the result
// file holds byte for byte, what is reported, and what survives a failure.
#include "engine/processing_run.h"

#include <gtest/gtest.h>

#include "support/memory_file_system.h"

namespace strovel {
namespace {

class TestEnvironment : public RunEnvironment {
 public:
  MemoryFileSystem disk;
  RecordingSink sink;
  LanguageSelector russian;
  std::vector<int> progressValues;
  std::vector<std::string> opened;

  FileSystem& files() override { return disk; }
  NoticeSink& notices() override { return sink; }
  const LanguageSelector& language() override { return russian; }
  void progress(int percent) override { progressValues.push_back(percent); }
  void openResult(const std::string& path) override { opened.push_back(path); }
};

Rule makeRule(std::int32_t action, std::string p1, std::string p2 = "", std::string p3 = "") {
  return Rule{std::move(p1), std::move(p3), std::move(p2), action, 1, 1};
}

RuleList makeList(std::initializer_list<Rule> rules) {
  RuleList list;
  for (const Rule& r : rules) list.append(r);
  return list;
}

class ProcessingRun : public testing::Test {
 protected:
  bool run(const RuleList& rules, const std::string& input = "in.txt", int runNumber = 1) {
    return processFile(rules, input, runNumber, options, env, statistics);
  }
  std::string result(const std::string& name = "res_1.txt") { return env.disk.files.at(name); }

  TestEnvironment env;
  RunOptions options;
  std::vector<std::string> statistics;
};

TEST_F(ProcessingRun, WritesStatisticsBlockThenTextWithCrLf) {
  env.disk.files["in.txt"] = "aXa\r\nYa";
  options.statistics = true;
  EXPECT_TRUE(run(makeList({makeRule(Replace, "a", "b")})));
  EXPECT_EQ(result(),
            "\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB0 \"a\" \xD0\xBD\xD0\xB0 \"b\" - "
            "\xD0\xB7\xD0\xB0\xD0\xBC\xD0\xB5\xD0\xBD - 3\r\n\r\n\r\nbXb\r\nYb");
  EXPECT_TRUE(env.sink.notices.empty());
  EXPECT_EQ(env.progressValues.back(), 100);
}

TEST_F(ProcessingRun, EmptyPatternWritesTextBackWithBlankStatistics) {
  env.disk.files["in.txt"] = "one\ntwo\rthree\r\n";
  options.statistics = true;
  EXPECT_TRUE(run(RuleList{}));
  EXPECT_EQ(result(), "\r\n\r\none\r\ntwo\rthree\r\n");
  options.statistics = false;
  EXPECT_TRUE(run(RuleList{}));
  EXPECT_EQ(result(), "one\r\ntwo\rthree\r\n");
}

TEST_F(ProcessingRun, CtrlZEndsTheInput) {
  env.disk.files["in.txt"] = std::string("kept\r\n\x1Aignored\r\n");
  EXPECT_TRUE(run(RuleList{}));
  EXPECT_EQ(result(), "kept\r\n");
}

TEST_F(ProcessingRun, EmptyInputGivesOnlyTheStatistics) {
  env.disk.files["in.txt"] = "";
  options.statistics = true;
  EXPECT_TRUE(run(makeList({makeRule(KeepLinesWith, "x")})));
  EXPECT_EQ(result(), formatText(loadString(146), {"x", 0}) + "\r\n\r\n\r\n");
}

TEST_F(ProcessingRun, RulesActInOrderAndReplaceTurnsCrIntoLfForLaterRules) {
  env.disk.files["in.txt"] = "a\rb\nc";
  EXPECT_TRUE(run(makeList({makeRule(Replace, "zz", "y"), makeRule(DeleteLinesWith, "b")})));
  EXPECT_EQ(result(), "a\r\nc");
  EXPECT_EQ(statistics.size(), 2u);
}

TEST_F(ProcessingRun, UnknownActionIsReportedAndSkipped) {
  env.disk.files["in.txt"] = "a\nb";
  options.statistics = true;
  EXPECT_TRUE(run(
      makeList({makeRule(Replace, "a", "x"), makeRule(0, "b"), makeRule(DeleteLinesWith, "b")})));
  EXPECT_EQ(env.sink.notices, (std::vector<Notice>{{158, ""}}));
  ASSERT_EQ(statistics.size(), 2u);
  EXPECT_EQ(statistics[0], formatText(loadString(144), {"a", "x", 1}));
  EXPECT_EQ(statistics[1], formatText(loadString(148), {"b", 1}));
  EXPECT_EQ(result(), statistics[0] + "\r\n" + statistics[1] + "\r\n\r\n\r\nx");
}

TEST_F(ProcessingRun, SummaryShowsAtMostSixtyBytesOfARuleText) {
  env.disk.files["in.txt"] = "";
  const std::string sixty(60, 'p');
  const std::string sixtyOne(61, 'q');
  // 59 ASCII bytes and a two-byte character: byte 60 would split it.
  const std::string split = std::string(59, 'r') + "\xD0\x96" + "tail";
  EXPECT_TRUE(run(makeList({makeRule(Replace, sixty, sixtyOne), makeRule(KeepLinesWith, split)})));
  EXPECT_EQ(statistics[0], formatText(loadString(144), {sixty, std::string(60, 'q') + "...", 0}));
  EXPECT_EQ(statistics[1], formatText(loadString(146), {std::string(59, 'r') + "...", 0}));
}

TEST_F(ProcessingRun, SummaryCarriesZeroBytesAndLineBreaksOfRuleTexts) {
  env.disk.files["in.txt"] = std::string("a\0b", 3);
  const std::string withZero("\0b", 2);
  EXPECT_TRUE(run(makeList({makeRule(Replace, withZero, "\n")})));
  EXPECT_EQ(statistics[0], formatText(loadString(144), {withZero, "\n", 1}));
  EXPECT_EQ(result(), "a\r\n");
}

TEST_F(ProcessingRun, EveryActionHasItsSummaryAndSortDistinctItsReport) {
  env.disk.files["in.txt"] = "h\na[k]\nb[k]\nc[j]";
  options.statistics = true;
  EXPECT_TRUE(
      run(makeList({makeRule(ReplaceBetween, "[", "]", "[x]"),
                    makeRule(ReplaceBetweenInFile, "(", ")"), makeRule(SortByElement, "[", "]"),
                    makeRule(SortDistinct, "a", "]"), makeRule(KeepLinesWith, "")})));
  const std::vector<std::string> expected = {
      formatText(loadString(150), {"[", "]", 3}),    formatText(loadString(150), {"(", ")", 0}),
      formatText(loadString(152), {"[", "]", 3, 1}), formatText(loadString(154), {"a", "]", 1, 0}),
      formatText(loadString(156), {"[x]", 1}),       formatText(loadString(156), {"", 1}),
      formatText(loadString(156), {"", 1}),          formatText(loadString(156), {"", 1}),
      formatText(loadString(146), {"", 4}),
  };
  EXPECT_EQ(statistics, expected);
}

TEST_F(ProcessingRun, ElementReportDropsLineBreaksAndCutsLongKeys) {
  const std::string longKey(1000, 'k');
  env.disk.files["in.txt"] = "h\n[" + longKey + "]\n[a\nb";
  EXPECT_TRUE(run(makeList({makeRule(SortDistinct, "[", "")})));
  // Keys with an empty Pattern2 run over the line end and one byte further:
  // "k...k]\n[" and "a\n". Equal counts list the later entries first.
  ASSERT_EQ(statistics.size(), 5u);
  EXPECT_EQ(statistics[1], formatText(loadString(156), {"", 1}));
  EXPECT_EQ(statistics[2], formatText(loadString(156), {std::string(990, 'k'), 1}));
  EXPECT_EQ(statistics[3], formatText(loadString(156), {"a", 1}));
  EXPECT_EQ(statistics[4], formatText(loadString(156), {"", 1}));
}

TEST_F(ProcessingRun, DosModeConvertsTheInputOnly) {
  env.disk.files["in.txt"] = "\x80\xA0-\xC4";
  options.dosMode = true;
  EXPECT_TRUE(run(makeList({makeRule(Replace, "-", "\x80")})));
  // In a UTF-8 locale CP866 A, a, box line; the rule's byte is not converted.
  EXPECT_EQ(result(), "\xD0\x90\xD0\xB0\x80\xE2\x94\x80");
}

TEST_F(ProcessingRun, MissingInputIsReportedAndNothingElseHappens) {
  statistics = {"from the run before"};
  env.disk.files["res_1.txt"] = "older result";
  options.openResult = true;
  EXPECT_FALSE(run(RuleList{}, "missing.txt"));
  EXPECT_EQ(env.sink.notices, (std::vector<Notice>{{164, "missing.txt"}}));
  EXPECT_EQ(statistics, (std::vector<std::string>{"from the run before"}));
  EXPECT_EQ(result(), "older result");
  EXPECT_TRUE(env.progressValues.empty());
  EXPECT_TRUE(env.opened.empty());
}

TEST_F(ProcessingRun, ResultThatCannotBeWrittenIsReportedAndOldFileKept) {
  env.disk.files["in.txt"] = "text";
  env.disk.files["res_2.txt"] = "older result";
  env.disk.failWritesTo.insert("res_2.txt");
  env.disk.uncreatable.insert("res_3.txt");
  options.openResult = true;
  EXPECT_FALSE(run(makeList({makeRule(KeepLinesWith, "t")}), "in.txt", 2));
  EXPECT_FALSE(run(makeList({makeRule(KeepLinesWith, "t")}), "in.txt", 3));
  EXPECT_EQ(env.sink.notices, (std::vector<Notice>{{160, "res_2.txt"}, {160, "res_3.txt"}}));
  EXPECT_EQ(result("res_2.txt"), "older result");
  EXPECT_EQ(env.disk.files.count("res_3.txt"), 0u);
  EXPECT_EQ(statistics.size(), 1u);  // this run's summary stays
  EXPECT_TRUE(env.opened.empty());
}

TEST_F(ProcessingRun, NameComesFromTemplateAndResultIsOpenedWhenAsked) {
  env.disk.files["in.txt"] = "text";
  options.outputNameTemplate = "out_%03d.txt";
  options.openResult = true;
  EXPECT_TRUE(run(RuleList{}, "in.txt", 7));
  EXPECT_EQ(result("out_007.txt"), "text");
  EXPECT_EQ(env.opened, (std::vector<std::string>{"out_007.txt"}));
}

TEST_F(ProcessingRun, InputNamedAsOutputIsReplacedByTheResult) {
  env.disk.files["same.txt"] = "a\nb";
  options.outputNameTemplate = "same.txt";
  EXPECT_TRUE(run(makeList({makeRule(DeleteLinesWith, "a")}), "same.txt"));
  EXPECT_EQ(result("same.txt"), "\r\nb");
}

TEST_F(ProcessingRun, ProgressStaysWithinZeroToHundred) {
  std::string text;
  for (int i = 0; i < 500; ++i) text += "line " + std::to_string(i) + "\r\n";
  env.disk.files["in.txt"] = text;
  EXPECT_TRUE(run(makeList({makeRule(Replace, "line", "a much longer line"),
                            makeRule(KeepLinesWith, "much"), makeRule(SortByElement, "", "")})));
  ASSERT_FALSE(env.progressValues.empty());
  for (int value : env.progressValues) {
    EXPECT_GE(value, 0);
    EXPECT_LE(value, 100);
  }
  EXPECT_EQ(env.progressValues.back(), 100);
}

}  // namespace
}  // namespace strovel
