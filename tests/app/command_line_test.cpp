// Tests for the command-line parser: whole lines with the mode, options and
// values they give (interactive starts, batch lines and batch lines that
// lack the pattern), the joining of argv into one line and the diff
// command's first word.
#include "app/command_line.h"

#include <gtest/gtest.h>

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
  for (const char* line : {"--diff", "--diff in_file=a templet=b", "--diff --color"})
    EXPECT_TRUE(isDiffCommandLine(line)) << line;
  for (const char* line : {"", "--dif", "--diffx", " --diff", "--DIFF", "in_file=--diff"})
    EXPECT_FALSE(isDiffCommandLine(line)) << line;
}

}  // namespace
}  // namespace strovel
