// kestrune itself in batch mode, run as a separate process in a fresh
// folder: the result files it leaves, the lines it prints on stderr and its
// exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "patterns/pattern_file.h"

extern char** environ;

namespace strovel {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class Batch : public testing::Test {
 protected:
  void SetUp() override {
    // KESTRUNE in the environment may name another build of the program.
    const char* program = std::getenv("KESTRUNE");
    program_ = program ? program : KESTRUNE_PATH;
    std::string tmpl = (fs::temp_directory_path() / "kestrune-batch-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  Outcome run(const std::vector<std::string>& args) {
    const fs::path out = dir_ / ".stdout", err = dir_ / ".stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv{program_.data()};
    std::vector<std::string> copies = args;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = {"LC_ALL=C.UTF-8", "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid;
    Outcome outcome;
    if (posix_spawn(&pid, program_.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
      int status = 0;
      ::waitpid(pid, &status, 0);
      outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    outcome.out = readAll(out);
    outcome.err = readAll(err);
    fs::remove(out);
    fs::remove(err);
    return outcome;
  }

  void pattern(const std::string& name, std::initializer_list<Rule> rules) {
    RuleList list;
    for (const Rule& r : rules) list.append(r);
    writeAll(dir_ / name, encodePatternFile(list));
  }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string program_;
  fs::path dir_;
};

const std::string kDoesNotOpen =
    " \xD0\xBD\xD0\xB5 "
    "\xD0\xBE\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD0\xB2\xD0\xB0\xD0\xB5\xD1\x82\xD1\x81\xD1\x8F";
const std::string kNotCreated =
    " \xD0\xBD\xD0\xB5 \xD1\x81\xD0\xBE\xD0\xB7\xD0\xB4\xD0\xB0\xD0\xB5\xD1\x82\xD1\x81\xD1\x8F";

TEST_F(Batch, RunsPatternOverInputAndWritesResult) {
  pattern("errors.shbl",
          {Rule{"ERROR", "", "", KeepLinesWith, 1, 1}, Rule{"[", "", "]", SortByElement, 1, 1}});
  writeAll(dir_ / "log.txt", "a [2] ERROR x\r\nb [1] ok\r\nc [1] ERROR y\r\n");
  const Outcome outcome = run({"in_file=log.txt", "templet=errors.shbl"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(readAll(dir_ / "res_1.txt"), "c [1] ERROR y\r\na [2] ERROR x");
}

TEST_F(Batch, OptionsStatisticsDosAndQuotedNamesWithBlanks) {
  pattern("my pattern.shbl", {Rule{"\xD0\x90", "", "A", Replace, 1, 1}});
  writeAll(dir_ / "dos input.txt", "\x80\x80\r\n");
  const Outcome outcome = run({"+dos", "+stat", "in_file=\"dos", "input.txt\"", "out_file=\"out",
                               "%d.txt\"", "templet=\"my", "pattern.shbl\""});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(
      readAll(dir_ / "out 1.txt"),
      "\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB0 \"\xD0\x90\" \xD0\xBD\xD0\xB0 \"A\" - "
      "\xD0\xB7\xD0\xB0\xD0\xBC\xD0\xB5\xD0\xBD - 2\r\n\r\n\r\nAA\r\n");
}

TEST_F(Batch, MissingInputIsReportedWithStatusOne) {
  pattern("p.shbl", {});
  const Outcome outcome = run({"in_file=nope.txt", "templet=p.shbl"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.err, "kestrune: nope.txt" + kDoesNotOpen + "\n");
  EXPECT_EQ(files(), (std::vector<std::string>{"p.shbl"}));
}

TEST_F(Batch, InputThatIsAFolderDoesNotOpen) {
  pattern("p.shbl", {});
  fs::create_directory(dir_ / "folder");
  const Outcome outcome = run({"in_file=folder", "templet=p.shbl"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.err, "kestrune: folder" + kDoesNotOpen + "\n");
}

TEST_F(Batch, MissingPatternStillCopiesTheInput) {
  writeAll(dir_ / "in.txt", "one\ntwo");
  const Outcome outcome = run({"in_file=in.txt", "templet=missing.shbl"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.err, "kestrune: missing.shbl" + kDoesNotOpen + "\n");
  EXPECT_EQ(readAll(dir_ / "res_1.txt"), "one\r\ntwo");
}

TEST_F(Batch, MissingPatternNameIsStatusTwoAndWritesNothing) {
  writeAll(dir_ / "in.txt", "x");
  for (const auto& args : {std::vector<std::string>{"in_file=in.txt"},
                           std::vector<std::string>{"in_file=in.txt", "out_file=o.txt"},
                           std::vector<std::string>{"in_file=in.txt", "templet=p", "out_file=o"}}) {
    const Outcome outcome = run(args);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(
        outcome.err,
        "kestrune: \xD0\x9D\xD0\xB5 \xD0\xB7\xD0\xB0\xD0\xB4\xD0\xB0\xD0\xBD\xD0\xBE "
        "\xD0\xB8\xD0\xBC\xD1\x8F \xD1\x88\xD0\xB0\xD0\xB1\xD0\xBB\xD0\xBE\xD0\xBD\xD0\xB0\n");
  }
  EXPECT_EQ(files(), (std::vector<std::string>{"in.txt"}));
}

TEST_F(Batch, SilentPrintsNothingButKeepsTheStatus) {
  const Outcome missing = run({"+silent", "in_file=nope.txt", "templet=nope.shbl"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "");
  const Outcome noPattern = run({"+silent", "in_file=nope.txt"});
  EXPECT_EQ(noPattern.status, 2);
  EXPECT_EQ(noPattern.err, "");
}

TEST_F(Batch, ResultInMissingFolderIsNotCreatedAndLeavesNothing) {
  pattern("p.shbl", {});
  writeAll(dir_ / "in.txt", "x");
  const Outcome outcome = run({"in_file=in.txt", "out_file=no/such/r.txt", "templet=p.shbl"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.err, "kestrune: no/such/r.txt" + kNotCreated + "\n");
  EXPECT_EQ(files(), (std::vector<std::string>{"in.txt", "p.shbl"}));
}

TEST_F(Batch, UnknownActionIsReportedAndTheRestRuns) {
  pattern("p.shbl", {Rule{"a", "", "b", 9, 1, 1}, Rule{"a", "", "c", Replace, 1, 1}});
  writeAll(dir_ / "in.txt", "aa");
  const Outcome outcome = run({"in_file=in.txt", "templet=p.shbl"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.err,
            "kestrune: \xD0\x9D\xD0\xB5 \xD0\xB2\xD0\xB5\xD1\x80\xD0\xBD\xD1\x8B\xD0\xB9 "
            "\xD1\x82\xD0\xB8\xD0\xBF "
            "\xD0\xB4\xD0\xB5\xD0\xB9\xD1\x81\xD1\x82\xD0\xB2\xD0\xB8\xD1\x8F\n");
  EXPECT_EQ(readAll(dir_ / "res_1.txt"), "cc");
}

TEST_F(Batch, InputNamedAsOutputIsReplacedAndKeepsItsMode) {
  pattern("p.shbl", {Rule{"x", "", "y", Replace, 1, 1}});
  writeAll(dir_ / "same.txt", "x\n");
  fs::permissions(dir_ / "same.txt", fs::perms(0640));
  const Outcome outcome = run({"in_file=same.txt", "out_file=same.txt", "templet=p.shbl"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(readAll(dir_ / "same.txt"), "y\r\n");
  EXPECT_EQ(fs::status(dir_ / "same.txt").permissions() & fs::perms::all, fs::perms(0640));
}

TEST_F(Batch, OptionsOutOfOrderMeanNoBatchRun) {
  writeAll(dir_ / "in.txt", "x");
  const Outcome outcome = run({"+dos", "+open", "in_file=in.txt", "templet=p.shbl"});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_NE(outcome.err.find("in_file="), std::string::npos);  // names batch mode's syntax
  EXPECT_EQ(files(), (std::vector<std::string>{"in.txt"}));
}

TEST_F(Batch, HelpAndVersionGoToStdout) {
  const Outcome help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("in_file="), std::string::npos);
  EXPECT_EQ(help.err, "");
  const Outcome version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_NE(version.out.find("kestrune"), std::string::npos);
}

}  // namespace
}  // namespace strovel
