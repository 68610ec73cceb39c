// Tests for the command-line parser: one table of whole lines with the
// mode, options and values they give (interactive starts, batch lines and
// batch lines that lack the pattern), and the joining of argv into one line.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace strovel {
namespace {

using namespace std::string_literals;

// A CommandLine as the table spells it: every field starts at its default.
struct Expected {
  bool open = false, dos = false, stat = false, silent = false, batch = false, missing = false;
  std::string in = "", out = "res_%d.txt", pattern = "";
};

TEST(CommandLineTest, ReadsModeOptionsAndValues) {
  const struct {
    std::string line;
    Expected expected;
  } cases[] = {
      // Interactive starts: no "in_file=" right after the options. Each
      // option is tried once, in a fixed order, and needs one blank after it.
      {"", {}},
      {" \t\r\n ", {}},
      {"+open +dos +stat +silent ", {true, true, true, true}},
      {"+dos +open in_file=a templet=b", {.dos = true}},
      {"+open +dos  +stat in_file=a templet=b", {.open = true, .dos = true}},
      {"+dos  in_file=a templet=b", {.dos = true}},
      {"+open +dos", {.open = true}},
      {"+dosin_file=a templet=b", {}},
      {"+DOS in_file=a templet=b", {}},
      {"IN_FILE=a templet=b", {}},
      {"\"\t+dos in_file=a templet=b", {}},
      {"+open\t+dos in_file=a templet=b", {}},
      {"\xa0in_file=a templet=b", {}},
      {"\0+dos "s, {}},
      // Batch lines: values are cut at the first markers, then lose their
      // outer blanks and then their outer quotes.
      {"in_file=a.txt templet=p.shbl", {.batch = true, .in = "a.txt", .pattern = "p.shbl"}},
      {"+open +dos +stat +silent in_file=a templet=b",
       {true, true, true, true, true, false, "a", "res_%d.txt", "b"}},
      {" \t\n\r +dos +silent in_file=a templet=b",
       {.dos = true, .silent = true, .batch = true, .in = "a", .pattern = "b"}},
      {"\"\"  +open in_file=a templet=b", {.open = true, .batch = true, .in = "a", .pattern = "b"}},
      {"\"in_file=a templet=b\"", {.batch = true, .in = "a", .pattern = "b"}},
      {"in_file=a templet=\"p q\" \"\"", {.batch = true, .in = "a", .pattern = "p q"}},
      {"in_file=a out_file=out_%d.txt templet=c",
       {.batch = true, .in = "a", .out = "out_%d.txt", .pattern = "c"}},
      {"in_file=\"my in\" out_file=\"my out\" templet=\"my p\"",
       {.batch = true, .in = "my in", .out = "my out", .pattern = "my p"}},
      {"in_file=my in out_file=my out templet=my p",
       {.batch = true, .in = "my in", .out = "my out", .pattern = "my p"}},
      {"in_file=   a b   out_file=  c  templet=   d e   ",
       {.batch = true, .in = "a b", .out = "c", .pattern = "d e"}},
      {"in_file=  \" a \"  templet=p", {.batch = true, .in = " a ", .pattern = "p"}},
      {"in_file=\"\"a\"\" templet=p", {.batch = true, .in = "a", .pattern = "p"}},
      {"in_file=out_file=templet=", {.batch = true, .out = ""}},
      {"in_file=\ta\t templet=\tp\t", {.batch = true, .in = "\ta\t", .pattern = "\tp\t"}},
      {"in_file=dir/templet=x templet=p", {.batch = true, .in = "dir/", .pattern = "x templet=p"}},
      {"in_file=dir/out_file=x templet=p",
       {.batch = true, .in = "dir/", .out = "x", .pattern = "p"}},
      {"in_file=a templet=\"p.shbl\" extra",
       {.batch = true, .in = "a", .pattern = "p.shbl\" extra"}},
      {"in_file=a out_file=b templet=c out_file=d",
       {.batch = true, .in = "a", .out = "b", .pattern = "c out_file=d"}},
      {"in_file=+dos a templet=+stat ", {.batch = true, .in = "+dos a", .pattern = "+stat"}},
      {"in_file=\xe4\xf0\0x templet=\xff\xfe"s,
       {.batch = true, .in = "\xe4\xf0\0x"s, .pattern = "\xff\xfe"}},
      // Batch lines without the pattern; their values are not compared.
      {"in_file=", {.batch = true, .missing = true}},
      {"in_file=a out_file=b", {.batch = true, .missing = true}},
      {"in_file=a templet=p out_file=b", {.batch = true, .missing = true}},
      {"+silent in_file=a TEMPLET=p", {.silent = true, .batch = true, .missing = true}},
  };
  for (const auto& [line, e] : cases) {
    SCOPED_TRACE(line);
    const CommandLine c = parseCommandLine(line);
    EXPECT_EQ(std::tie(c.openResult, c.dosMode, c.statistics, c.silentMode, c.batch),
              std::tie(e.open, e.dos, e.stat, e.silent, e.batch));
    EXPECT_EQ(c.patternMissing, e.missing);
    if (!e.missing) {
      EXPECT_EQ(std::tie(c.inputPath, c.outputNameTemplate, c.patternPath),
                std::tie(e.in, e.out, e.pattern));
    }
  }
}

TEST(CommandLineTest, JoinsArgumentsAfterTheProgramName) {
  const struct {
    std::vector<const char*> argv;
    std::string expected;
  } cases[] = {
      {{"kestrune"}, ""},
      {{"kestrune", "+dos", "in_file=my file.txt", "templet=p"},
       "+dos in_file=my file.txt templet=p"},
      {{"kestrune", "", "x", ""}, " x "},
      {{"kestrune", "\"q\"", "a  b"}, "\"q\" a  b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(joinArguments(static_cast<int>(c.argv.size()), c.argv.data()), c.expected);
  }
  EXPECT_EQ(joinArguments(0, nullptr), "");
}

}  // namespace
}  // namespace strovel
