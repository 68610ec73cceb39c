// The main window driven as a user drives it, under the offscreen platform:
// buttons clicked, menus triggered, message boxes, file dialogs and the
// editor answered as they come up. Every test works in a fresh folder,
// which is the pattern folder.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ui_text.h"
#include "support/modal_answers.h"

namespace strovel {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string patternFile(std::initializer_list<Rule> rules) {
  RuleList list;
  for (const Rule& r : rules) list.append(r);
  return encodePatternFile(list);
}

std::string catalogue(int id) { return toDisplay(loadString(id)).toStdString(); }

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    std::string tmpl = (fs::temp_directory_path() / "strovel-window-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
    EXPECT_TRUE(answers.unexpected.empty()) << answers.unexpected.front();
  }

  // A window after the interactive start, shown, with results not opened.
  std::unique_ptr<MainWindow> start(CommandLine options = {}) {
    auto window = std::make_unique<MainWindow>();
    window->setFinishPause(0);
    window->setOpener([this](const std::string& target) { opened.push_back(target); });
    window->interactiveStart(options);
    window->show();
    return window;
  }
  template <typename T>
  T* child(MainWindow& window, const char* name) {
    T* widget = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  // Types the names into the file dialog's name field and presses OK.
  void chooseInFileDialog(QStringList names, QString folder = QString()) {
    answers.then([names, folder](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      dialog->setDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
      QStringList quoted;
      for (const QString& n : names) quoted << QLatin1Char('"') + n + QLatin1Char('"');
      auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(nameField, nullptr);
      nameField->setText(names.size() == 1 ? names.first() : quoted.join(QLatin1Char(' ')));
      static_cast<QDialog*>(dialog)->accept();  // as OK does
    });
  }
  // Opens the editor with "..." (or New pattern) and presses OK in it,
  // after adding a rule when asked to.
  void answerEditor(bool addRule) {
    answers.then([addRule](QWidget* modal) {
      if (addRule) QTest::mouseClick(modal->findChild<QPushButton*>("addButton"), Qt::LeftButton);
      QTest::mouseClick(modal->findChild<QPushButton*>("okButton"), Qt::LeftButton);
    });
  }

  ModalAnswers answers;
  std::vector<std::string> opened;
  fs::path dir_;
  fs::path previous_;
};

TEST_F(MainWindowTest, StartListsPatternsSortedIgnoringCaseAndLoadsTheFirst) {
  writeAll("beta.shbl", patternFile({Rule{"b", "", "B", Replace, 1, 1}}));
  writeAll("Alpha.shbl", patternFile({Rule{"a", "", "A", Replace, 1, 1}}));
  writeAll("gamma.SHBL", "");
  fs::create_directory("folder.shbl");
  CommandLine options;
  options.dosMode = true;
  auto window = start(options);
  auto* list = child<QComboBox>(*window, "patternList");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->itemText(0), QStringLiteral("Alpha.shbl"));
  EXPECT_EQ(list->itemText(1), QStringLiteral("beta.shbl"));
  EXPECT_EQ(list->currentIndex(), 0);
  EXPECT_EQ(window->pattern().rules.at(0).Pattern1, "a");
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Strovel  [Alpha.shbl]"));
  EXPECT_TRUE(child<QCheckBox>(*window, "statisticsCheck")->isChecked());
  EXPECT_TRUE(child<QCheckBox>(*window, "dosCheck")->isChecked());
  EXPECT_TRUE(child<QPushButton>(*window, "processButton")->isEnabled());
}

TEST_F(MainWindowTest, EmptyFolderDisablesProcessingAndSaysSoUnlessSilent) {
  answers.answerMessage();
  auto window = start();
  EXPECT_EQ(answers.messages, (std::vector<std::string>{catalogue(162)}));
  EXPECT_FALSE(child<QPushButton>(*window, "processButton")->isEnabled());

  CommandLine silent;
  silent.silentMode = true;
  auto quiet = start(silent);
  EXPECT_EQ(answers.messages.size(), 1u);
}

TEST_F(MainWindowTest, ProcessesChosenFilesWithRunNumbersBesideThem) {
  writeAll("p.shbl", patternFile({Rule{"x", "", "y", Replace, 1, 1}}));
  fs::create_directory("in");
  writeAll("in/a.txt", "one");
  writeAll("in/b.txt", "x\nx");
  writeAll("in/c.txt", "three");
  auto window = start();
  fs::current_path("in");
  chooseInFileDialog({"a.txt", "b.txt", "c.txt"});
  QTest::mouseClick(child<QPushButton>(*window, "processButton"), Qt::LeftButton);
  // The statistics box is checked at the start.
  const std::string none = "Замена \"x\" на \"y\" - замен - 0\r\n\r\n\r\n";
  EXPECT_EQ(readAll("res_1.txt"), none + "one");
  EXPECT_EQ(readAll("res_2.txt"), "Замена \"x\" на \"y\" - замен - 2\r\n\r\n\r\ny\r\ny");
  EXPECT_EQ(readAll("res_3.txt"), none + "three");
  EXPECT_EQ(opened, (std::vector<std::string>{"res_1.txt", "res_2.txt", "res_3.txt"}));
  EXPECT_EQ(child<QProgressBar>(*window, "progress")->value(), 100);

  // Cancelling the dialog processes nothing.
  answers.then([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
  QTest::mouseClick(child<QPushButton>(*window, "processButton"), Qt::LeftButton);
  EXPECT_EQ(opened.size(), 3u);
}

TEST_F(MainWindowTest, EditedPatternIsAskedAboutOnClosing) {
  writeAll("p.shbl", patternFile({}));
  auto window = start();
  answerEditor(true);
  QTest::mouseClick(child<QPushButton>(*window, "editPatternButton"), Qt::LeftButton);
  ASSERT_TRUE(window->pattern().patternModified);
  ASSERT_EQ(window->pattern().rules.size(), 1u);

  const std::string question = formatText(catalogue(174), {"p.shbl"});
  answers.answerMessage(QMessageBox::Cancel);
  QTest::mouseClick(child<QPushButton>(*window, "exitButton"), Qt::LeftButton);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(readAll("p.shbl"), patternFile({}));

  answers.answerMessage(QMessageBox::Yes);
  answers.answerMessage();  // " saved"
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
  ASSERT_EQ(answers.messages.size(), 3u);
  EXPECT_EQ(answers.messages[0], question);
  EXPECT_EQ(answers.messages[1], question);
  EXPECT_EQ(readAll("p.shbl"), encodePatternFile(window->pattern().rules));
}

TEST_F(MainWindowTest, FailedSaveOnClosingKeepsTheWindowOpen) {
  writeAll("p.shbl", patternFile({}));
  auto window = start();
  answerEditor(true);
  QTest::mouseClick(child<QPushButton>(*window, "editPatternButton"), Qt::LeftButton);
  fs::remove("p.shbl");
  fs::create_directory("p.shbl");  // can no longer be written
  answers.answerMessage(QMessageBox::Yes);
  answers.answerMessage();  // " does not open"
  window->close();
  EXPECT_TRUE(window->isVisible());
  ASSERT_EQ(answers.messages.size(), 2u);
  EXPECT_EQ(answers.messages[1], "p.shbl" + catalogue(164));
}

TEST_F(MainWindowTest, EnterOutsideAButtonClosesWithoutAsking) {
  writeAll("p.shbl", patternFile({}));
  auto window = start();
  answerEditor(true);
  QTest::mouseClick(child<QPushButton>(*window, "editPatternButton"), Qt::LeftButton);
  auto* name = child<QLineEdit>(*window, "newPatternName");
  name->setFocus();
  QTest::keyClick(name, Qt::Key_Return);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(MainWindowTest, ChoosingAnotherPatternAsksFirstAndCancelKeepsEverything) {
  writeAll("a.shbl", patternFile({}));
  writeAll("b.shbl", patternFile({Rule{"b", "", "", KeepLinesWith, 1, 1}}));
  auto window = start();
  answerEditor(true);
  QTest::mouseClick(child<QPushButton>(*window, "editPatternButton"), Qt::LeftButton);
  auto* list = child<QComboBox>(*window, "patternList");

  answers.answerMessage(QMessageBox::Cancel);
  list->setCurrentIndex(1);
  emit list->activated(1);
  EXPECT_EQ(list->currentIndex(), 0);
  EXPECT_EQ(window->pattern().rules.size(), 1u);
  EXPECT_TRUE(window->pattern().patternModified);

  answers.answerMessage(QMessageBox::No);
  list->setCurrentIndex(1);
  emit list->activated(1);
  EXPECT_EQ(window->pattern().currentPatternPath, "b.shbl");
  EXPECT_EQ(window->pattern().rules.at(0).Pattern1, "b");
  EXPECT_FALSE(window->pattern().patternModified);
  EXPECT_EQ(readAll("a.shbl"), patternFile({}));
}

TEST_F(MainWindowTest, NewPatternIsCreatedUnderTheTypedName) {
  answers.answerMessage();  // no pattern files yet
  auto window = start();
  auto* name = child<QLineEdit>(*window, "newPatternName");
  auto* create = child<QPushButton>(*window, "newPatternButton");
  EXPECT_FALSE(create->isEnabled());
  QTest::keyClicks(name, "abc");
  EXPECT_TRUE(create->isEnabled());

  answerEditor(true);
  answers.answerMessage();  // " saved"
  QTest::mouseClick(create, Qt::LeftButton);
  ASSERT_TRUE(fs::exists("abc.shbl"));
  EXPECT_EQ(answers.messages.back(), (dir_ / "abc.shbl").string() + catalogue(166));
  auto* list = child<QComboBox>(*window, "patternList");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->currentIndex(), 0);  // the only entry is selected and loaded
  EXPECT_EQ(window->pattern().rules.size(), 1u);
  EXPECT_TRUE(child<QPushButton>(*window, "processButton")->isEnabled());

  // The same name again: the question, and Cancel changes nothing.
  answers.answerMessage(QMessageBox::Cancel);
  QTest::mouseClick(create, Qt::LeftButton);
  EXPECT_EQ(answers.messages.back(), catalogue(168));
  EXPECT_EQ(readAll("abc.shbl"), encodePatternFile(window->pattern().rules));

  name->clear();
  EXPECT_FALSE(create->isEnabled());
}

TEST_F(MainWindowTest, SavePatternAsAppendsTheExtensionAndRefreshesFromTheNewFolder) {
  writeAll("p.shbl", patternFile({Rule{"x", "", "", KeepLinesWith, 1, 1}}));
  fs::create_directory("other");
  writeAll("other/old.shbl", "");
  auto window = start();
  chooseInFileDialog({QStringLiteral("New.SHBL")},
                     QString::fromStdString((dir_ / "other").string()));
  answers.answerMessage();  // " saved"
  window->findChild<QAction*>("saveAsAction")->trigger();
  EXPECT_EQ(readAll(dir_ / "other" / "New.SHBL.shbl"), readAll(dir_ / "p.shbl"));
  EXPECT_EQ(window->pattern().currentPatternPath, (dir_ / "other" / "New.SHBL.shbl").string());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Strovel  [p.shbl]"));
  auto* list = child<QComboBox>(*window, "patternList");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->itemText(0), QStringLiteral("New.SHBL.shbl"));
  EXPECT_EQ(list->currentIndex(), -1);
}

TEST_F(MainWindowTest, HelpMenuSyntaxAboutAndF1) {
  writeAll("p.shbl", patternFile({}));
  auto window = start();
  answers.answerMessage();
  window->findChild<QAction*>("syntaxAction")->trigger();
  ASSERT_EQ(answers.messages.size(), 1u);
  EXPECT_EQ(answers.messages[0],
            "Синтаксис командной строки: \nkestrune +open +dos +stat in_file=\"name1\" "
            "out_file=\"name2\" templet=\"name3\"");
  answers.answerMessage();
  QApplication::setActiveWindow(window.get());
  QTest::keyClick(child<QComboBox>(*window, "patternList"), Qt::Key_F1);
  EXPECT_EQ(answers.messages.size(), 2u);
  // In the editor too; the message box comes up while the editor is open.
  answers.then([this](QWidget* editor) {
    answers.answerMessage();
    QApplication::setActiveWindow(editor);
    QTest::keyClick(editor, Qt::Key_F1);
    qobject_cast<QDialog*>(editor)->reject();
  });
  QTest::mouseClick(child<QPushButton>(*window, "editPatternButton"), Qt::LeftButton);
  ASSERT_EQ(answers.messages.size(), 3u);
  EXPECT_EQ(answers.messages[2], answers.messages[0]);

  bool aboutShown = false;
  answers.then([&aboutShown](QWidget* modal) {
    aboutShown = modal->objectName() == QStringLiteral("aboutBox");
    qobject_cast<QDialog*>(modal)->accept();
  });
  window->findChild<QAction*>("aboutAction")->trigger();
  EXPECT_TRUE(aboutShown);

  window->findChild<QAction*>("onlineHelpAction")->trigger();
  EXPECT_EQ(opened, (std::vector<std::string>{loadString(176)}));
}

}  // namespace
}  // namespace strovel
