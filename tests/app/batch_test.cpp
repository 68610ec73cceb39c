// kestrune itself in batch mode, run as a separate process in a fresh
// folder: the result files it leaves, the lines it prints on stderr and its
// exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "app/catalogue/catalogue.h"
#include "patterns/pattern_file.h"
#include "support/file_bytes.h"

namespace strovel {
namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

struct Outcome {
  int status;
  std::string out, err;
};

// The stderr line of a notice, in the default (Russian) wording.
std::string line(int textId, const std::string& subject = "") {
  return "kestrune: " + renderNotice(LanguageSelector{}, {textId, subject}) + "\n";
}

class Batch : public testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "kestrune-batch-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs the program in the test folder with only a UTF-8 locale and a PATH
  // in its environment, so there is no display. KESTRUNE may name another
  // build of it. The shell's quotes pass every argument through as it is
  // (none holds a quote).
  // `before` is shell text run first in the folder, `input` a file for stdin.
  Outcome run(const std::vector<std::string>& args, const std::string& before = "",
              const std::string& input = "/dev/null") {
    const char* program = std::getenv("KESTRUNE");
    std::string command = "cd '" + dir_.string() + "' && " + before +
                          " exec env -i LC_ALL=C.UTF-8 " + "PATH=/usr/bin:/bin '" +
                          (program ? program : KESTRUNE_PATH) + "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    const int status = std::system((command + " <" + input + " >.stdout 2>.stderr").c_str());
    const Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readAll(dir_ / ".stdout"),
                          readAll(dir_ / ".stderr")};
    fs::remove(dir_ / ".stdout");
    fs::remove(dir_ / ".stderr");
    return outcome;
  }

  void pattern(const std::string& name, std::initializer_list<Rule> rules) {
    RuleList list;
    for (const Rule& r : rules) list.append(r);
    writeAll(dir_ / name, encodePatternFile(list));
  }
  // The names in the test folder; a temporary file left behind shows.
  Names files() const {
    Names names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename());
    return names;
  }

  fs::path dir_;
};

TEST_F(Batch, RunsPatternOverInputAndWritesTheResult) {
  pattern("errors.shbl",
          {Rule{"ERROR", "", "", KeepLinesWith, 1, 1}, Rule{"[", "", "]", SortByElement, 1, 1}});
  writeAll(dir_ / "log.txt", "a [2] ERROR x\r\nb [1] ok\r\nc [1] ERROR y\r\n");
  Outcome outcome = run({"in_file=log.txt", "templet=errors.shbl"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out + outcome.err, "");
  EXPECT_EQ(readAll(dir_ / "res_1.txt"), "c [1] ERROR y\r\na [2] ERROR x");

  // Options, quoted names with blanks, DOS input, statistics, a numbered name.
  pattern("my pattern.shbl", {Rule{"\xD0\x90", "", "A", Replace, 1, 1}});
  writeAll(dir_ / "dos input.txt", "\x80\x80\r\n");
  outcome = run({"+dos", "+stat", "in_file=\"dos", "input.txt\"", "out_file=\"out", "%d.txt\"",
                 "templet=\"my", "pattern.shbl\""});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(
      readAll(dir_ / "out 1.txt"),
      "\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB0 \"\xD0\x90\" \xD0\xBD\xD0\xB0 \"A\" - "
      "\xD0\xB7\xD0\xB0\xD0\xBC\xD0\xB5\xD0\xBD - 2\r\n\r\n\r\nAA\r\n");
}

// Every case starts from the same folder and may leave only res_1.txt,
// holding `result`.
TEST_F(Batch, FailuresGiveTheirStatusAndStderrLines) {
  const std::string noDisplay =
      "kestrune: no display for the desktop window; for batch mode use\n  kestrune [+open ][+dos "
      "][+stat ][+silent ]in_file=IN [out_file=TEMPLATE ]templet=PATTERN\n";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err, result;
  } cases[] = {
      {{"in_file=nope.txt", "templet=p.shbl"}, 1, line(164, "nope.txt"), ""},
      {{"in_file=folder", "templet=p.shbl"}, 1, line(164, "folder"), ""},
      // The input comes out unchanged.
      {{"in_file=in.txt", "templet=no.shbl"}, 1, line(164, "no.shbl"), "a\r\nb"},
      {{"in_file=in.txt"}, 2, line(140), ""},
      {{"in_file=in.txt", "out_file=o.txt"}, 2, line(140), ""},
      {{"+silent", "in_file=nope.txt", "templet=no.shbl"}, 1, "", ""},
      {{"+silent", "in_file=in.txt"}, 2, "", ""},
      {{"in_file=in.txt", "out_file=no/r.txt", "templet=p.shbl"}, 1, line(160, "no/r.txt"), ""},
      // The rules after the unknown one still run.
      {{"in_file=in.txt", "templet=odd.shbl"}, 1, line(158), "c\r\nb"},
      // Options out of order make no batch run, and there is no display.
      {{"+dos", "+open", "in_file=in.txt", "templet=p.shbl"}, 2, noDisplay, ""},
  };
  pattern("p.shbl", {});
  pattern("odd.shbl", {Rule{"a", "", "b", 9, 1, 1}, Rule{"a", "", "c", Replace, 1, 1}});
  writeAll(dir_ / "in.txt", "a\nb");
  fs::create_directory(dir_ / "folder");
  const Names before = files();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const Outcome outcome = run(c.args);
    EXPECT_EQ(std::tie(outcome.status, outcome.err), std::tie(c.status, c.err));
    EXPECT_EQ(readAll(dir_ / "res_1.txt"), c.result);
    EXPECT_EQ(fs::remove(dir_ / "res_1.txt"), !c.result.empty());
    EXPECT_EQ(files(), before);
  }
}

TEST_F(Batch, InputNamedAsOutputIsReplacedAndKeepsItsMode) {
  pattern("p.shbl", {Rule{"x", "", "y", Replace, 1, 1}});
  writeAll(dir_ / "same.txt", "x\n");
  fs::permissions(dir_ / "same.txt", fs::perms(0640));
  const Outcome outcome = run({"in_file=same.txt", "out_file=same.txt", "templet=p.shbl"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(readAll(dir_ / "same.txt"), "y\r\n");
  EXPECT_EQ(fs::status(dir_ / "same.txt").permissions() & fs::perms::all, fs::perms(0640));
  EXPECT_EQ(files(), (Names{"p.shbl", "same.txt"}));
}

TEST_F(Batch, HelpAndVersionGoToStdout) {
  const Outcome help = run({"--help"}), version = run({"--version"});
  EXPECT_EQ(help.status + version.status, 0);
  EXPECT_NE(help.out.find("in_file="), std::string::npos);
  EXPECT_NE(version.out.find("kestrune"), std::string::npos);
  EXPECT_EQ(help.err + version.err, "");
}

// Several rules with statistics over a pipe and a FIFO: the same result as
// over the file, piece boundaries wherever the pipe puts them.
TEST_F(Batch, ReadsPipesAndFifosAsFiles) {
  pattern("p.shbl", {Rule{"ERROR", "", "", KeepLinesWith, 1, 1},
                     Rule{"user=", "user=*** ", " ", ReplaceBetween, 1, 1},
                     Rule{"[", "", "]", SortByElement, 1, 1}});
  std::string log;
  for (int i = 0; i < 40000; ++i)
    log += "[" + std::to_string(i * 7919 % 1000) + "] " + (i % 3 ? "ERROR" : "INFO") + " user=u" +
           std::to_string(i) + " x\r\n";
  writeAll(dir_ / "log.txt", log);
  const std::vector<std::string> args = {"+stat", "in_file=log.txt", "out_file=file.txt",
                                         "templet=p.shbl"};
  ASSERT_EQ(run(args).status, 0);
  const std::string expected = readAll(dir_ / "file.txt");
  ASSERT_GT(expected.size(), log.size() / 2);
  Outcome piped = run({"+stat", "in_file=/dev/stdin", "out_file=pipe.txt", "templet=p.shbl"},
                      "cat log.txt |", "/dev/stdin");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(readAll(dir_ / "pipe.txt"), expected);
  Outcome fifo = run({"+stat", "in_file=fifo", "out_file=fifo.txt", "templet=p.shbl"},
                     "mkfifo fifo && { cat log.txt > fifo & } &&");
  EXPECT_EQ(fifo.status, 0) << fifo.err;
  EXPECT_EQ(readAll(dir_ / "fifo.txt"), expected);
}

}  // namespace
}  // namespace strovel
