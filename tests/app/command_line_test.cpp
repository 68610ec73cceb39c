// Tests for the command-line parser: a table of whole lines with the mode,
// options and values they give, a table of batch lines that lack the
// pattern, and the joining of argv into one line.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace strovel {
namespace {

struct Flags {
  bool open = false;
  bool dos = false;
  bool stat = false;
  bool silent = false;
};

void expectFlags(const CommandLine& parsed, const Flags& expected) {
  EXPECT_EQ(parsed.openResult, expected.open);
  EXPECT_EQ(parsed.dosMode, expected.dos);
  EXPECT_EQ(parsed.statistics, expected.stat);
  EXPECT_EQ(parsed.silentMode, expected.silent);
}

// A string of every byte of a literal, zero bytes included.
template <size_t N>
std::string bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

constexpr Flags kNoFlags{};
constexpr Flags kDos{.dos = true};
constexpr Flags kOpen{.open = true};
constexpr Flags kSilent{.silent = true};
constexpr Flags kAllFlags{.open = true, .dos = true, .stat = true, .silent = true};

struct InteractiveCase {
  const char* why;
  std::string line;
  Flags flags;
};

TEST(CommandLineTest, StartsInteractivelyWithoutInFileInFront) {
  const std::vector<InteractiveCase> cases = {
      {"empty line", "", kNoFlags},
      {"only fillers", " \t\r\n ", kNoFlags},
      {"text without markers", "hello world", kNoFlags},
      {"options alone", "+open +dos +stat +silent ", kAllFlags},
      {"silent alone", "+silent ", kSilent},
      {"dos before open", "+dos +open ", kDos},
      {"dos before open, then a batch line", "+dos +open in_file=a templet=b", kDos},
      {"silent before stat", "+silent +stat in_file=a templet=b", kSilent},
      {"two blanks between options", "+open  +dos +stat in_file=a templet=b", kOpen},
      {"two blanks later on", "+open +dos  +stat in_file=a templet=b", {.open = true, .dos = true}},
      {"two blanks before in_file=", "+dos  in_file=a templet=b", kDos},
      {"option at the end without its blank", "+dos", kNoFlags},
      {"last option without its blank", "+open +dos", kOpen},
      {"option without its blank before a value", "+dosin_file=a templet=b", kNoFlags},
      {"option in upper case", "+DOS in_file=a templet=b", kNoFlags},
      {"marker in upper case", "IN_FILE=a templet=b", kNoFlags},
      {"marker not at the front", "x in_file=a templet=b", kNoFlags},
      {"tab after the leading quote is not skipped", "\"\t+dos in_file=a templet=b", kNoFlags},
      {"tab between options", "+open\t+dos in_file=a templet=b", kNoFlags},
      {"high byte in front is not a filler", "\xa0in_file=a templet=b", kNoFlags},
      {"zero byte in front is not a filler", bytes("\0+dos "), kNoFlags},
  };
  for (const InteractiveCase& c : cases) {
    SCOPED_TRACE(c.why);
    const CommandLine parsed = parseCommandLine(c.line);
    EXPECT_FALSE(parsed.batch);
    EXPECT_FALSE(parsed.patternMissing);
    expectFlags(parsed, c.flags);
    EXPECT_EQ(parsed.inputPath, "");
    EXPECT_EQ(parsed.outputNameTemplate, "res_%d.txt");
    EXPECT_EQ(parsed.patternPath, "");
  }
}

struct BatchCase {
  const char* why;
  std::string line;
  Flags flags;
  std::string input;
  std::string nameTemplate;
  std::string pattern;
};

TEST(CommandLineTest, CutsTheValuesOfABatchLine) {
  const std::string kDefault = "res_%d.txt";
  const std::vector<BatchCase> cases = {
      {"plain", "in_file=a.txt templet=p.shbl", kNoFlags, "a.txt", kDefault, "p.shbl"},
      {"all options in order", "+open +dos +stat +silent in_file=a templet=b", kAllFlags, "a",
       kDefault, "b"},
      {"some options left out",
       "+dos +silent in_file=a templet=b",
       {.dos = true, .silent = true},
       "a",
       kDefault,
       "b"},
      {"fillers before the options",
       " \t\n\r +stat in_file=a templet=b",
       {.stat = true},
       "a",
       kDefault,
       "b"},
      {"leading quotes, then leading blanks", "\"\"  +open in_file=a templet=b", kOpen, "a",
       kDefault, "b"},
      {"whole line in quotes", "\"in_file=a templet=b\"", kNoFlags, "a", kDefault, "b"},
      {"line ending in quotes", "in_file=a templet=\"p q\"\"\"", kNoFlags, "a", kDefault, "p q"},
      {"output name", "in_file=a out_file=b.txt templet=c", kNoFlags, "a", "b.txt", "c"},
      {"output name with %d", "in_file=a out_file=out_%d.txt templet=c", kNoFlags, "a",
       "out_%d.txt", "c"},
      {"quoted values with blanks",
       "in_file=\"my input.txt\" out_file=\"my out.txt\" templet=\"my pattern.shbl\"", kNoFlags,
       "my input.txt", "my out.txt", "my pattern.shbl"},
      {"values without quotes keep inner blanks",
       "in_file=my input.txt out_file=my out.txt templet=my pattern.shbl", kNoFlags, "my input.txt",
       "my out.txt", "my pattern.shbl"},
      {"outer blanks are lost", "in_file=   a b   out_file=  c  templet=   d e   ", kNoFlags, "a b",
       "c", "d e"},
      {"blank inside quotes is kept", "in_file=\" a\" out_file=\"b \" templet=\" c\"", kNoFlags,
       " a", "b ", " c"},
      {"blanks go before the quotes", "in_file=  \" a \"  templet=p", kNoFlags, " a ", kDefault,
       "p"},
      {"every outer quote goes", "in_file=\"\"a\"\" templet=p", kNoFlags, "a", kDefault, "p"},
      {"empty quotes", "in_file=\"\" templet=p", kNoFlags, "", kDefault, "p"},
      {"empty values", "in_file=out_file=templet=", kNoFlags, "", "", ""},
      {"tabs are not trimmed", "in_file=\ta\t templet=\tp\t", kNoFlags, "\ta\t", kDefault, "\tp\t"},
      {"trailing blanks of the line stay for the trim", "in_file=a templet=p  ", kNoFlags, "a",
       kDefault, "p"},
      {"input holding templet=", "in_file=dir/templet=x templet=p", kNoFlags, "dir/", kDefault,
       "x templet=p"},
      {"input holding out_file=", "in_file=dir/out_file=x templet=p", kNoFlags, "dir/", "x", "p"},
      {"text after the quoted pattern belongs to it", "in_file=a templet=\"p.shbl\" extra",
       kNoFlags, "a", kDefault, "p.shbl\" extra"},
      {"a later out_file= inside the pattern", "in_file=a out_file=b templet=c out_file=d",
       kNoFlags, "a", "b", "c out_file=d"},
      {"options after in_file= are text", "in_file=+dos a templet=+stat ", kNoFlags, "+dos a",
       kDefault, "+stat"},
      {"raw bytes", bytes("in_file=\xe4\xf0\0x templet=\xff\xfe"), kNoFlags, bytes("\xe4\xf0\0x"),
       kDefault, "\xff\xfe"},
  };
  for (const BatchCase& c : cases) {
    SCOPED_TRACE(c.why);
    const CommandLine parsed = parseCommandLine(c.line);
    EXPECT_TRUE(parsed.batch);
    EXPECT_FALSE(parsed.patternMissing);
    expectFlags(parsed, c.flags);
    EXPECT_EQ(parsed.inputPath, c.input);
    EXPECT_EQ(parsed.outputNameTemplate, c.nameTemplate);
    EXPECT_EQ(parsed.patternPath, c.pattern);
  }
}

TEST(CommandLineTest, FlagsABatchLineWithoutThePattern) {
  const std::vector<InteractiveCase> cases = {
      {"in_file= alone", "in_file=", kNoFlags},
      {"no markers after the input", "in_file=a.txt", kNoFlags},
      {"out_file= without templet=", "in_file=a out_file=b", kNoFlags},
      {"out_file= after templet=", "in_file=a templet=p out_file=b", kNoFlags},
      {"marker in upper case", "+silent in_file=a TEMPLET=p", kSilent},
      {"marker with a blank",
       "+open +dos in_file=a out_file=b templet =p",
       {.open = true, .dos = true}},
  };
  for (const InteractiveCase& c : cases) {
    SCOPED_TRACE(c.why);
    const CommandLine parsed = parseCommandLine(c.line);
    EXPECT_TRUE(parsed.batch);
    EXPECT_TRUE(parsed.patternMissing);
    expectFlags(parsed, c.flags);
  }
}

struct JoinCase {
  std::vector<const char*> argv;
  std::string expected;
};

TEST(CommandLineTest, JoinsArgumentsAfterTheProgramName) {
  const std::vector<JoinCase> cases = {
      {{"kestrune"}, ""},
      {{"kestrune", "in_file=a"}, "in_file=a"},
      {{"kestrune", "+dos", "in_file=my file.txt", "templet=p"},
       "+dos in_file=my file.txt templet=p"},
      {{"kestrune", "", "x", ""}, " x "},
      {{"kestrune", "\"q\"", "a  b"}, "\"q\" a  b"},
  };
  for (const JoinCase& c : cases) {
    EXPECT_EQ(joinArguments(static_cast<int>(c.argv.size()), c.argv.data()), c.expected);
  }
  EXPECT_EQ(joinArguments(0, nullptr), "");
}

TEST(CommandLineTest, ReadsAJoinedShellCommandLine) {
  const char* const argv[] = {"kestrune",           "+open",     "+stat",
                              "in_file=in put.txt", "out_file=", "out %d.txt",
                              "templet=rules.shbl"};
  const CommandLine parsed = parseCommandLine(joinArguments(7, argv));
  EXPECT_TRUE(parsed.batch);
  EXPECT_FALSE(parsed.patternMissing);
  expectFlags(parsed, {.open = true, .stat = true});
  EXPECT_EQ(parsed.inputPath, "in put.txt");
  EXPECT_EQ(parsed.outputNameTemplate, "out %d.txt");
  EXPECT_EQ(parsed.patternPath, "rules.shbl");
}

}  // namespace
}  // namespace strovel
