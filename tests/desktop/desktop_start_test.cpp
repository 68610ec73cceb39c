// Opening a pattern file from the file manager: which command lines count
// as such (a single existing ".shbl" file, and nothing else), and the
// window that then starts in the file's folder with that pattern loaded.
#include "app/desktop_start.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <filesystem>
#include <fstream>

#include "app/main_window.h"
#include "patterns/pattern_file.h"
#include "support/modal_answers.h"

namespace strovel {
namespace {

namespace fs = std::filesystem;

class DesktopStartTest : public testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    std::string tmpl = (fs::temp_directory_path() / "strovel-start-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    fs::create_directories(dir_ / "patterns" / "folder.shbl");
    fs::create_directory(dir_ / "work");
    pattern("a.shbl", "A");
    pattern("b.shbl", "B");
    pattern("C.SHBL", "C");
    fs::create_symlink(dir_ / "patterns" / "b.shbl", dir_ / "link.shbl");
    fs::current_path(dir_ / "work");
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
    EXPECT_TRUE(answers.unexpected.empty()) << answers.unexpected.front();
  }
  void pattern(const std::string& name, const std::string& keep) {
    RuleList rules;
    rules.append(Rule{keep, "", "", KeepLinesWith, 1, 1});
    std::ofstream(dir_ / "patterns" / name) << encodePatternFile(rules);
  }
  static std::string opened(std::vector<std::string> arguments) {
    std::vector<const char*> argv{"kestrune"};
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    return openedPatternFile(static_cast<int>(argv.size()), argv.data());
  }

  ModalAnswers answers;
  fs::path dir_;
  fs::path previous_;
};

TEST_F(DesktopStartTest, OnlyASingleExistingPatternFileIsAnOpenedPattern) {
  std::ofstream("in_file=x templet=y.shbl") << "";  // a batch line that names a file
  std::ofstream("+dos z.shbl") << "";
  const std::string b = (dir_ / "patterns" / "b.shbl").string();
  const struct {
    std::vector<std::string> arguments;
    std::string expected;
  } cases[] = {
      {{b}, b},
      {{"../patterns/a.shbl"}, "../patterns/a.shbl"},
      {{(dir_ / "link.shbl").string()}, (dir_ / "link.shbl").string()},
      {{"+dos z.shbl"}, "+dos z.shbl"},
      {{}, ""},
      {{b, b}, ""},
      {{"+dos", b}, ""},
      {{(dir_ / "patterns" / "C.SHBL").string()}, ""},
      {{(dir_ / "patterns" / "folder.shbl").string()}, ""},
      {{(dir_ / "patterns" / "missing.shbl").string()}, ""},
      {{"in_file=x templet=y.shbl"}, ""},
      {{(dir_ / "patterns").string()}, ""},
  };
  for (const auto& c : cases) {
    const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.front();
    EXPECT_EQ(opened(c.arguments), c.expected) << shown;
  }
}

TEST_F(DesktopStartTest, OpenedPatternStartsInItsFolderWithItLoaded) {
  const struct {
    std::string path;
    int entry;
    std::string keep;
  } cases[] = {
      {(dir_ / "patterns" / "b.shbl").string(), 1, "B"},
      {"../patterns/a.shbl", 0, "A"},
      {(dir_ / "link.shbl").string(), 0, "B"},  // a link opens in its own folder
  };
  for (const auto& c : cases) {
    fs::current_path(dir_ / "work");
    MainWindow window;
    CommandLine options;
    options.dosMode = true;  // the plain start's options do not apply
    startWindow(window, options, c.path);
    const fs::path folder = fs::absolute(c.path).parent_path();
    EXPECT_EQ(fs::current_path(), fs::canonical(folder)) << c.path;
    auto* list = window.findChild<QComboBox*>(QStringLiteral("patternList"));
    EXPECT_EQ(list->currentIndex(), c.entry) << c.path;
    EXPECT_EQ(window.pattern().rules.at(0).Pattern1, c.keep) << c.path;
    EXPECT_FALSE(window.findChild<QCheckBox*>(QStringLiteral("dosCheck"))->isChecked());
  }
}

TEST_F(DesktopStartTest, PlainStartStaysInTheCurrentFolder) {
  fs::current_path(dir_ / "patterns");
  MainWindow window;
  CommandLine options;
  options.dosMode = true;
  startWindow(window, options, "");
  EXPECT_EQ(fs::current_path(), fs::canonical(dir_ / "patterns"));
  EXPECT_EQ(window.pattern().currentPatternPath, "a.shbl");
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Strovel  [a.shbl]"));
  EXPECT_TRUE(window.findChild<QCheckBox*>(QStringLiteral("dosCheck"))->isChecked());
}

}  // namespace
}  // namespace strovel
