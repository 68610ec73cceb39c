// Tests for the command-line parser: whole lines with the mode, options and
// values they give (interactive starts, batch lines and batch lines that
// lack the pattern), the joining of argv into one line, the diff command's
// first word, and the size of --sort-memory.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include "engine/sort_budget.h"

namespace strovel {
namespace {

using namespace std::string_literals;

// The flags in force, as letters: +open, +dos, +stat, +silent (q), batch,
// pattern missing; then the values, when the pattern is not missing.
std::string parsed(const std::string& line) {
  const CommandLine c = parseCommandLine(line);
  const bool on[] = {c.openResult, c.dosMode, c.statistics,
                     c.silentMode, c.batch,   c.patternMissing};
  std::string flags;
  for (int i = 0; i < 6; ++i) flags += on[i] ? std::string(1, "odsqbm"[i]) : "";
  if (c.patternMissing) return flags;
  return flags + "|" + c.inputPath + "|" + c.patternPath + "|" + c.outputNameTemplate;
}

TEST(CommandLineTest, ReadsModeOptionsAndValues) {
  // Interactive starts: no "in_file=" right after the options. Each option
  // is tried once, in a fixed order, and needs one blank after it; fillers
  // are the bytes 1 to 32 only.
  for (const std::string& line :
       {""s, " \t\r\n "s, "+dosin_file=a templet=b"s, "+DOS in_file=a templet=b"s,
        "IN_FILE=a templet=b"s, "\"\t+dos in_file=a templet=b"s, "+open\t+dos in_file=a templet=b"s,
        "\xa0in_file=a templet=b"s, "\0+dos "s})
    EXPECT_EQ(parsed(line), "|||res_%d.txt") << line;
  // Batch lines without the pattern.
  for (const char* line : {"in_file=", "in_file=a out_file=b", "in_file=a templet=p out_file=b"})
    EXPECT_EQ(parsed(line), "bm") << line;
  const std::pair<std::string, std::string> cases[] = {
      {"+dos +open in_file=a templet=b", "d|||res_%d.txt"},
      {"+open +dos  +stat in_file=a templet=b", "od|||res_%d.txt"},
      {"+silent in_file=a TEMPLET=p", "qbm"},
      // Batch lines: values are cut at the first markers, then lose their
      // outer blanks and then their outer quotes.
      {"+open +dos +stat +silent in_file=a templet=b", "odsqb|a|b|res_%d.txt"},
      {" \t\n\r +dos +silent in_file=a templet=b", "dqb|a|b|res_%d.txt"},
      {"\"\"  +open in_file=a templet=b", "ob|a|b|res_%d.txt"},
      {"\"in_file=a templet=b\"", "b|a|b|res_%d.txt"},
      {"in_file=a templet=\"p q\" \"\"", "b|a|p q|res_%d.txt"},
      {"in_file=\"my in\" out_file=\"my out\" templet=\"my p\"", "b|my in|my p|my out"},
      {"in_file=   a b   out_file=  c  templet=   d e   ", "b|a b|d e|c"},
      {"in_file=  \" a \"  templet=p", "b| a |p|res_%d.txt"},
      {"in_file=\"\"a\"\" templet=p", "b|a|p|res_%d.txt"},
      {"in_file=\ta\t templet=\tp\t", "b|\ta\t|\tp\t|res_%d.txt"},
      {"in_file=dir/templet=x templet=p", "b|dir/|x templet=p|res_%d.txt"},
      {"in_file=dir/out_file=x templet=p", "b|dir/|p|x"},
      {"in_file=a templet=\"p.shbl\" extra", "b|a|p.shbl\" extra|res_%d.txt"},
      {"in_file=\xe4\xf0\0x templet=\xff\xfe"s, "b|\xe4\xf0\0x|\xff\xfe|res_%d.txt"s},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(parsed(line), expected) << line;
}

// The arguments after the program name joined with blanks, empty ones too;
// the diff command's first word.
TEST(CommandLineTest, JoinsArgumentsAndKnowsTheDiffCommand) {
  const char* argv[] = {"kestrune", "", "+dos", "in_file=my file", "\"q\"", "a  b", ""};
  EXPECT_EQ(joinArguments(7, argv), " +dos in_file=my file \"q\" a  b ");
  EXPECT_EQ(joinArguments(1, argv) + joinArguments(0, nullptr), "");
  for (const char* line : {"--diff", "--diff in_file=a templet=b", "--diff --color",
                           "--sort-memory=1M --diff", "--sort-memory= --diff --color"})
    EXPECT_TRUE(isDiffCommandLine(line)) << line;
  for (const char* line : {"", "--dif", "--diffx", " --diff", "--DIFF", "in_file=--diff",
                           "--sort-memory=1M  --diff", "+stat --sort-memory=1M --diff"})
    EXPECT_FALSE(isDiffCommandLine(line)) << line;
}

// --sort-memory=SIZE comes off the front with its blank; SIZE reads as for
// sort -S (KiB by default, b K M G T in either case, % of the machine's
// memory), and anything else, 0 and more than the machine has are a line
// that names the option.
TEST(CommandLineTest, ReadsTheSortMemory) {
  std::string_view rest = "--sort-memory=64M +stat in_file=a templet=b";
  EXPECT_EQ(takeSortMemory(rest).value_or("none"), "64M");
  EXPECT_EQ(rest, "+stat in_file=a templet=b");
  for (std::string_view line : {"+stat --sort-memory=1M", "--sort-memory", "--sort-memory1M"}) {
    rest = line;
    EXPECT_FALSE(takeSortMemory(rest)) << line;
    EXPECT_EQ(rest, line);
  }
  rest = "--sort-memory=";
  EXPECT_EQ(takeSortMemory(rest).value_or("none"), "");

  const std::uint64_t physical = std::uint64_t{8} << 30;  // an 8 GB machine
  const std::pair<const char*, std::uint64_t> sizes[] = {
      {"1", 1024},         {"10b", 10},          {"7k", 7 << 10},    {"7K", 7 << 10},
      {"3m", 3 << 20},     {"3M", 3u << 20},     {"2g", 2ull << 30}, {"8G", 8ull << 30},
      {"50%", 4ull << 30}, {"100%", 8ull << 30}, {"0001", 1024}};
  for (const auto& [size, bytes] : sizes)
    EXPECT_EQ(parseSortBudget(size, physical).value_or(0), bytes) << size;
  for (const char* size : {"", "0", "0K", "-1", "+1", "1x", "1B", "1KB", "K", "1 M", "9G", "1T",
                           "101%", "0%", "99999999999999999999", "18014398509481984K"})
    EXPECT_FALSE(parseSortBudget(size, physical)) << size;
  std::string message;
  EXPECT_FALSE(sortMemoryOption("12Q", message));
  EXPECT_TRUE(message.starts_with("kestrune: --sort-memory=12Q: not a size") &&
              message.find('\n') == std::string::npos)
      << message;
}

}  // namespace
}  // namespace strovel
