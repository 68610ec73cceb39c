// kestrune --diff as a user runs it: on many random texts and patterns,
// patch applied to the input text gives exactly the text the batch run
// writes, and a pattern that changes nothing prints nothing and exits 0.
// Then the output's own format: headers, "\ No newline", colours, statuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "diff/text_diff.h"
#include "engine/trial_run.h"
#include "patterns/pattern_file.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "support/file_bytes.h"

namespace strovel {
namespace {

namespace fs = std::filesystem;

class DiffCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "kestrune-diff-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs a command line in the test folder; stdout lands in `out`.
  int run(const std::string& command) {
    const std::string line = "cd '" + dir_.string() + "' && " + command + " >.out 2>.err";
    const int status = std::system(line.c_str());
    out = readAll(dir_ / ".out");
    err = readAll(dir_ / ".err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int kestrune(const std::string& arguments) {
    return run("env -i LC_ALL=C.UTF-8 '" KESTRUNE_PATH "' " + arguments);
  }

  fs::path dir_;
  std::string out, err;
};

std::string randomText(std::mt19937& random) {
  static const char* const pieces[] = {"a", "b",    "ab", "[",  "]", "=",    ";",
                                       " ", "\r\n", "\n", "\r", "ж", "\xd0", "x\0y"};
  std::string text;
  const int n = std::uniform_int_distribution<int>(0, 60)(random);
  for (int i = 0; i < n; ++i) {
    const char* piece = pieces[std::uniform_int_distribution<int>(0, 13)(random)];
    text.append(piece, piece[0] == 'x' ? 3 : std::strlen(piece));
  }
  return text;
}

RuleList randomRules(std::mt19937& random) {
  static const char* const texts[] = {"a", "b", "ab", "[", "]", "=", "\n", "ж", ""};
  const auto pick = [&] { return texts[std::uniform_int_distribution<int>(0, 8)(random)]; };
  RuleList rules;
  const int n = std::uniform_int_distribution<int>(0, 3)(random);
  for (int i = 0; i < n; ++i) {
    const std::int32_t action = std::uniform_int_distribution<std::int32_t>(1, 7)(random);
    const std::int32_t location = std::uniform_int_distribution<std::int32_t>(0, 2)(random);
    rules.append(Rule{pick(), pick(), pick(), action, location, 1});
  }
  return rules;
}

TEST_F(DiffCommandTest, PatchTurnsTheInputIntoTheResult) {
  std::mt19937 random(20261207);
  int changed = 0;
  for (int i = 0; i < 150; ++i) {
    const std::string input = randomText(random);
    const RuleList rules = randomRules(random);
    writeAll(dir_ / "in.txt", input);
    writeAll(dir_ / "p.shbl", encodePatternFile(rules));
    const bool dos = i % 5 == 0;
    const std::string options = dos ? "+dos " : "";
    const int status = kestrune("--diff " + options + "in_file=in.txt templet=p.shbl");
    const std::string diff = out;
    ASSERT_EQ(kestrune(options + "in_file=in.txt out_file=res.txt templet=p.shbl"), 0) << err;
    std::string before = *diskFileSystem().readText((dir_ / "in.txt").string());
    if (dos) oemToAnsi(before);
    const std::string after = fromWrittenText(readAll(dir_ / "res.txt"));
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << testing::PrintToString(input) << "\n"
                                    << encodePatternFile(rules) << diff);
    EXPECT_EQ(status, before == after ? 0 : 1) << err;
    if (status == 0) {
      EXPECT_EQ(diff, "");
      continue;
    }
    ++changed;
    writeAll(dir_ / "before.txt", before);
    writeAll(dir_ / "diff.patch", diff);
    ASSERT_EQ(run("patch -s -o patched.txt before.txt diff.patch"), 0) << out << err;
    EXPECT_EQ(readAll(dir_ / "patched.txt"), after);
  }
  EXPECT_GT(changed, 40);
}

TEST_F(DiffCommandTest, PrintsTheSummaryHeadersAndStatusesOfDiff) {
  writeAll(dir_ / "in.txt", "keep\r\ndrop\r\n\x8f\xe0\xa8\xa2\xa5\xe2");
  RuleList rules;
  rules.append(Rule{"drop", "", "", DeleteLinesWith, 1, 1});
  writeAll(dir_ / "p.shbl", encodePatternFile(rules));
  EXPECT_EQ(kestrune("--diff +dos +stat in_file=in.txt out_file=r%d.txt templet=p.shbl"), 1);
  const std::string summary = "Удалять строки, содержащие \"drop\" - удалено строк - 1\n";
  ASSERT_EQ(out.substr(0, summary.size()), summary);
  const std::string body = out.substr(summary.size());
  EXPECT_TRUE(body.starts_with("--- in.txt\t")) << body;
  EXPECT_NE(body.find("\n+++ r1.txt\t"), std::string::npos) << body;
  EXPECT_TRUE(
      body.ends_with("@@ -1,3 +1,2 @@\n keep\n-drop\n Привет\n"
                     "\\ No newline at end of file\n"))
      << body;
  EXPECT_FALSE(fs::exists(dir_ / "r1.txt"));

  EXPECT_EQ(kestrune("--diff --color=always in_file=in.txt templet=p.shbl"), 1);
  EXPECT_NE(out.find("\033[1m--- in.txt"), std::string::npos) << out;
  EXPECT_NE(out.find("\033[36m@@ -1,3 +1,2 @@\033[0m\n keep\n\033[31m-drop\033[0m\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(kestrune("--diff --color=never in_file=in.txt templet=p.shbl"), 1);
  EXPECT_EQ(out.find('\033'), std::string::npos);

  struct Case {
    const char* arguments;
    int status;
    const char* err;
  } cases[] = {
      {"--diff in_file=in.txt templet=none.shbl", 2, "none.shbl не открывается"},
      {"--diff in_file=missing.txt templet=p.shbl", 2, "missing.txt не открывается"},
      {"--diff in_file=in.txt", 2, "kestrune: "},
      {"--diff --color=often in_file=in.txt templet=p.shbl", 2, "usage"},
      {"--diff +open in_file=in.txt templet=p.shbl", 2, "usage"},
      {"--diff", 2, "usage"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kestrune(c.arguments), c.status) << c.arguments;
    EXPECT_NE(err.find(c.err), std::string::npos) << c.arguments << ": " << err;
  }
  writeAll(dir_ / "same.shbl", encodePatternFile(RuleList{}));
  EXPECT_EQ(kestrune("--diff +stat in_file=in.txt templet=same.shbl"), 0);
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace strovel
