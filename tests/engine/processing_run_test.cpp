// Whole processing runs against an in-memory file system: what the result
// file holds byte for byte, the summary line of every kind of rule, and what
// survives a failure.
#include "engine/processing_run.h"

#include <gtest/gtest.h>

#include "support/memory_file_system.h"
#include "support/test_environment.h"

namespace strovel {
namespace {

using Lines = std::vector<std::string>;

Rule makeRule(std::int32_t action, std::string p1, std::string p2 = "", std::string p3 = "") {
  return Rule{std::move(p1), std::move(p3), std::move(p2), action, 1, 1};
}

// The summary line the catalogue's text `id` gives for these arguments.
std::string summary(int id, std::initializer_list<TextArg> args) {
  return formatText(loadString(id), args);
}

// The fixture is the run's environment: it records progress, notices and
// the results handed to the desktop.
class ProcessingRun : public testing::Test, public RunEnvironment {
 protected:
  FileSystem& files() override { return disk; }
  NoticeSink& notices() override { return sink; }
  const LanguageSelector& language() override { return russian; }
  void progress(int percent) override { progressValues.push_back(percent); }
  void openResult(const std::string& path) override { opened.push_back(path); }

  bool run(const std::vector<Rule>& rules, const std::string& input = "in.txt", int number = 1) {
    RuleList list;
    for (const Rule& rule : rules) list.append(rule);
    return processFile(list, input, number, options, *this, statistics);
  }
  std::string result(const std::string& name = "res_1.txt") { return disk.files.at(name); }

  MemoryFileSystem disk;
  RecordingSink sink;
  LanguageSelector russian;
  RunOptions options;
  std::vector<int> progressValues;
  Lines opened, statistics;
};

TEST_F(ProcessingRun, ResultHoldsStatisticsBlockThenTextWithCrLf) {
  const std::string replaced =
      "\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB0 \"a\" \xD0\xBD\xD0\xB0 \"b\" - "
      "\xD0\xB7\xD0\xB0\xD0\xBC\xD0\xB5\xD0\xBD - 3\r\n\r\n\r\n";
  const struct {
    std::string input;
    std::vector<Rule> rules;
    std::string result;
    bool statistics = false, dos = false;
  } cases[] = {
      {"aXa\r\nYa", {makeRule(Replace, "a", "b")}, replaced + "bXb\r\nYb", true},
      // A lone CR stays as it is; Ctrl-Z ends the input.
      {"one\ntwo\rthree\r\n\x1Aignored", {}, "\r\n\r\none\r\ntwo\rthree\r\n", true},
      {"", {makeRule(KeepLinesWith, "x")}, summary(146, {"x", 0}) + "\r\n\r\n\r\n", true},
      {"x[a]y\r\n[b",
       {makeRule(ReplaceBetween, "[", "]", "<>")},
       summary(150, {"[", "]", 1}) + "\r\n\r\n\r\nx<>y\r\n[b",
       true},
      {"x[a\r\n]y", {makeRule(ReplaceBetweenInFile, "[", "]", "<>")}, "x<>y"},
      // A last sort is written straight from its order.
      {"b[2]\na[1]",
       {makeRule(Replace, "x", ""), makeRule(SortByElement, "[", "]")},
       "a[1]\r\nb[2]"},
      // Replace turns the lone CR into a line break even without a match.
      {"a\rb\nc", {makeRule(Replace, "z", ""), makeRule(KeepLinesWith, "a")}, "a"},
      // CP866 A and a in a UTF-8 locale; the rule's byte is not converted.
      {"\x80\xA0-", {makeRule(Replace, "-", "\x80")}, "\xD0\x90\xD0\xB0\x80", false, true},
  };
  for (const auto& c : cases) {
    disk.files["in.txt"] = c.input;
    options = {.dosMode = c.dos, .statistics = c.statistics};
    EXPECT_TRUE(run(c.rules)) << c.input;
    EXPECT_EQ(result(), c.result) << c.input;
  }
  EXPECT_TRUE(sink.notices.empty());
}

TEST_F(ProcessingRun, SummaryCutsRuleTextsAtSixtyBytesAndKeepsZeroBytes) {
  disk.files["in.txt"] = std::string("a\0b", 3);
  const std::string sixty(60, 'p'), sixtyOne(61, 'q'), withZero("\0b", 2);
  // 59 ASCII bytes and a two-byte character: byte 60 would split it.
  const std::string split = std::string(59, 'r') + "\xD0\x96" + "tail";
  EXPECT_TRUE(run({makeRule(Replace, withZero, "\n"), makeRule(Replace, sixty, sixtyOne),
                   makeRule(DeleteLinesWith, split)}));
  EXPECT_EQ(statistics, (Lines{summary(144, {withZero, "\n", 1}),
                               summary(144, {sixty, sixtyOne.substr(0, 60) + "...", 0}),
                               summary(148, {std::string(59, 'r') + "...", 0})}));
  EXPECT_EQ(result(), "a\r\n");
}

TEST_F(ProcessingRun, EveryActionHasItsSummaryAndUnknownOnesAreReported) {
  const auto element = [](const std::string& key) { return summary(156, {key, 1}); };
  disk.files["in.txt"] = "h\na[k]\nb[k]\nc[j]";
  EXPECT_TRUE(
      run({makeRule(ReplaceBetween, "[", "]", "[x]"), makeRule(ReplaceBetweenInFile, "(", ")"),
           makeRule(SortByElement, "[", "]"), makeRule(0, "b"), makeRule(SortDistinct, "a", "]")}));
  EXPECT_EQ(sink.notices, (std::vector<Notice>{{158, ""}}));
  EXPECT_EQ(statistics, (Lines{summary(150, {"[", "]", 3}), summary(150, {"(", ")", 0}),
                               summary(152, {"[", "]", 3, 1}), summary(154, {"a", "]", 1, 0}),
                               element("[x]"), element(""), element(""), element("")}));
  // Report keys lose their LFs and are cut to 990 bytes. With an empty
  // Pattern2 a key runs over the line end and one byte further: "k...k]\n["
  // and "a\n". Equal counts list the later entries first.
  disk.files["in.txt"] = "h\n[" + std::string(1000, 'k') + "]\n[a\nb";
  EXPECT_TRUE(run({makeRule(SortDistinct, "[", "")}));
  ASSERT_EQ(statistics.size(), 5u);
  EXPECT_EQ(Lines(statistics.begin() + 1, statistics.end()),
            (Lines{element(""), element(std::string(990, 'k')), element("a"), element("")}));
}

TEST_F(ProcessingRun, FailuresAreReportedAndKeepOldFiles) {
  statistics = {"from the run before"};
  disk.files = {{"in.txt", "text"}, {"res_1.txt", "older result"}};
  const auto before = disk.files;
  disk.failWritesTo.insert("res_1.txt");
  disk.uncreatable.insert("res_2.txt");
  options.openResult = true;
  EXPECT_FALSE(run({}, "missing.txt"));
  EXPECT_EQ(statistics, (Lines{"from the run before"}));
  EXPECT_TRUE(progressValues.empty());
  for (int number : {1, 2}) EXPECT_FALSE(run({makeRule(KeepLinesWith, "t")}, "in.txt", number));
  EXPECT_EQ(sink.notices,
            (std::vector<Notice>{{164, "missing.txt"}, {160, "res_1.txt"}, {160, "res_2.txt"}}));
  EXPECT_EQ(disk.files, before);
  EXPECT_EQ(statistics.size(), 1u);  // the summary of the run whose input opened
  EXPECT_TRUE(opened.empty());
}

TEST_F(ProcessingRun, ResultNameComesFromTemplateAndMayBeTheInput) {
  disk.files["same.txt"] = "a\nb";
  options = {.openResult = true, .outputNameTemplate = "out_%03d.txt"};
  EXPECT_TRUE(run({}, "same.txt", 7));
  EXPECT_EQ(result("out_007.txt"), "a\r\nb");
  EXPECT_EQ(opened, (Lines{"out_007.txt"}));
  options.outputNameTemplate = "same.txt";
  EXPECT_TRUE(run({makeRule(DeleteLinesWith, "a")}, "same.txt"));
  EXPECT_EQ(result("same.txt"), "\r\nb");
}

// Rules that lengthen the text make positions run past the input's size.
TEST_F(ProcessingRun, ProgressStaysWithinZeroToHundred) {
  for (int i = 0; i < 500; ++i) disk.files["in.txt"] += "line " + std::to_string(i) + "\r\n";
  EXPECT_TRUE(
      run({makeRule(Replace, "line", "a much longer line"), makeRule(KeepLinesWith, "much")}));
  ASSERT_FALSE(progressValues.empty());
  EXPECT_EQ(progressValues.back(), 100);
  for (int value : progressValues) EXPECT_TRUE(value >= 0 && value <= 100) << value;
}

// A file system whose input throws std::bad_alloc at its k-th piece, and
// whose results throw it (or fail) at their k-th write.
class FaultyDisk : public MemoryFileSystem {
 public:
  int throwAtRead = -1, throwAtWrite = -1, failAtWrite = -1;

  std::unique_ptr<TextSource> openText(const std::string& path) override {
    return std::make_unique<Source>(files.at(path), throwAtRead);
  }
  std::unique_ptr<OutputFile> createFile(const std::string& path) override {
    return std::make_unique<Output>(MemoryFileSystem::createFile(path), *this);
  }

 private:
  struct Source : TextSource {
    Source(std::string text, int throwAt) : text(std::move(text)), throwAt(throwAt) {}
    bool next(std::string_view& piece) override {
      if (calls++ == throwAt) throw std::bad_alloc();
      piece = std::string_view(text).substr(std::min(at, text.size()), 500);
      at += piece.size();
      return !piece.empty();
    }
    bool failed() const override { return false; }
    double done() const override { return double(at) / double(text.size()); }
    std::string text;
    int throwAt, calls = 0;
    std::size_t at = 0;
  };
  struct Output : OutputFile {
    Output(std::unique_ptr<OutputFile> file, FaultyDisk& disk)
        : file(std::move(file)), disk(disk) {}
    bool write(std::string_view bytes) override {
      if (writes == disk.throwAtWrite) throw std::bad_alloc();
      return writes++ != disk.failAtWrite && file->write(bytes);
    }
    bool commit() override { return file->commit(); }
    std::unique_ptr<OutputFile> file;
    FaultyDisk& disk;
    int writes = 0;
  };
};

// Out of memory in the reading, in the writing or in the rules, and a
// failing write, early or late, on the calling thread or in the reading and
// writing threads: the run ends as it always has (the exception reaches the
// caller, or notice 160), every thread joined and the old result intact.
TEST(ProcessingRunFaults, EndTheRunCleanlyInEveryThread) {
  TestEnvironment<FaultyDisk> env;
  std::string input;
  // Long enough for the result to take two writes.
  for (int i = 0; i < 100000; ++i) input += "line " + std::to_string(i) + "\r\n";
  RuleList rules;
  rules.append(makeRule(Replace, "line", "a longer line"));
  const struct {
    int throwAtRead, throwAtWrite, failAtWrite;
  } cases[] = {{0, -1, -1}, {7, -1, -1}, {2000, -1, -1}, {-1, 0, -1},
               {-1, 1, -1}, {-1, -1, 0}, {-1, -1, 1}};
  for (const FlowLimits flow : {FlowLimits(), FlowLimits{0, 4096, 1}, FlowLimits{5000, 1000, 2}}) {
    for (const auto& c : cases) {
      for (const bool statistics : {false, true}) {
        env.disk.files = {{"in.txt", input}, {"res_1.txt", "old"}};
        env.disk.throwAtRead = c.throwAtRead;
        env.disk.throwAtWrite = c.throwAtWrite;
        env.disk.failAtWrite = c.failAtWrite;
        env.sink.notices.clear();
        const RunOptions options{.statistics = statistics, .flow = flow};
        std::vector<std::string> lines;
        const std::string what = std::to_string(flow.threadsFrom) + " " +
                                 std::to_string(c.throwAtRead) + " " +
                                 std::to_string(c.throwAtWrite) + " " +
                                 std::to_string(c.failAtWrite) + " " + std::to_string(statistics);
        if (c.failAtWrite >= 0) {
          EXPECT_FALSE(processFile(rules, "in.txt", 1, options, env, lines)) << what;
          EXPECT_EQ(env.sink.notices, (std::vector<Notice>{{160, "res_1.txt"}})) << what;
          EXPECT_EQ(lines.size(), 1u) << what;
        } else {
          EXPECT_THROW(processFile(rules, "in.txt", 1, options, env, lines), std::bad_alloc)
              << what;
        }
        EXPECT_TRUE(env.disk.files.at("res_1.txt") == "old") << what;
      }
    }
  }
}

}  // namespace
}  // namespace strovel
