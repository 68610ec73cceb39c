// The main window driven as a user drives it, under the offscreen platform:
// buttons clicked, menus triggered, message boxes, file dialogs and the
// editor answered as they come up. Every test works in a fresh folder,
// which is the pattern folder.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "preview/preview_dialog.h"
#include "preview/preview_view.h"
#include "support/file_bytes.h"
#include "support/modal_answers.h"
#include "ui/ui_text.h"

namespace strovel {
namespace {

namespace fs = std::filesystem;

RuleList ruleListOf(std::initializer_list<Rule> rules) {
  RuleList list;
  for (const Rule& r : rules) list.append(r);
  return list;
}

std::string patternFile(std::initializer_list<Rule> rules) {
  return encodePatternFile(ruleListOf(rules));
}

std::string catalogue(int id) { return toDisplay(loadString(id)).toStdString(); }

bool isCyrillic(const QString& text) {
  return std::any_of(text.begin(), text.end(),
                     [](QChar c) { return c.unicode() >= 0x400 && c.unicode() < 0x500; });
}

// The push buttons that are default buttons now or would become one with
// the focus.
QStringList defaultButtons(QWidget& dialog) {
  QStringList names;
  for (auto* button : dialog.findChildren<QPushButton*>())
    if (button->isDefault() || button->autoDefault()) names << button->objectName();
  return names;
}

// Records each paint of one widget with the progress the window shows then.
class PaintLog : public QObject {
 public:
  PaintLog(QWidget* watched, QProgressBar* progress) : progress_(progress) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && recording) values.push_back(progress_->value());
    return false;
  }
  bool recording = false;
  std::vector<int> values;

 private:
  QProgressBar* progress_;
};

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
    EXPECT_TRUE(answers.allAnswered());  // every dialog a test expected came up
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
    return window.findChild<T*>(QString::fromLatin1(name));
  }
  // Types into the file dialog's name field, in that folder, and presses OK.
  void chooseInFileDialog(const QString& typed, const fs::path& folder) {
    answers.then([typed, folder](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      dialog->setDirectory(QString::fromStdString(folder.string()));
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed);
      static_cast<QDialog*>(dialog)->accept();  // as OK does
    });
  }
  // Adds a rule in the editor the next command opens and presses OK.
  void answerEditor() {
    answers.then([](QWidget* modal) {
      QTest::mouseClick(modal->findChild<QPushButton*>("addButton"), Qt::LeftButton);
      QTest::mouseClick(modal->findChild<QPushButton*>("okButton"), Qt::LeftButton);
    });
  }

  ModalAnswers answers;
  std::vector<std::string> opened;
  fs::path dir_;
  fs::path previous_;
};

TEST_F(MainWindowTest, ListsPatternsSortedIgnoringCaseAndRefreshesAfterSaveAs) {
  std::ofstream("Beta.shbl") << patternFile({Rule{"b", "", "B", Replace, 1, 1}});
  std::ofstream("alpha.shbl") << patternFile({Rule{"a", "", "A", Replace, 1, 1}});
  std::ofstream("gamma.SHBL") << "";
  fs::create_directory("folder.shbl");
  fs::create_directory("other");
  CommandLine options;
  options.dosMode = true;
  auto window = start(options);
  auto* list = child<QComboBox>(*window, "patternList");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->itemText(0), QStringLiteral("alpha.shbl"));
  EXPECT_EQ(list->itemText(1), QStringLiteral("Beta.shbl"));
  EXPECT_EQ(list->currentIndex(), 0);
  EXPECT_EQ(window->pattern().rules.at(0).Pattern1, "a");
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Strovel  [alpha.shbl]"));
  EXPECT_TRUE(child<QCheckBox>(*window, "dosCheck")->isChecked());

  // Save as: the extension is appended, the list comes from the new folder.
  const fs::path saved = dir_ / "other" / "New.SHBL.shbl";
  chooseInFileDialog(QStringLiteral("New.SHBL"), dir_ / "other");
  answers.answerMessage();  // " saved"
  window->findChild<QAction*>("saveAsAction")->trigger();
  EXPECT_EQ(readAll(saved), readAll(dir_ / "alpha.shbl"));
  EXPECT_EQ(window->pattern().currentPatternPath, saved.string());
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->itemText(0), QStringLiteral("New.SHBL.shbl"));
  EXPECT_EQ(list->currentIndex(), -1);
}

TEST_F(MainWindowTest, EmptyFolderSaysSoUnlessSilentAndNewPatternFillsIt) {
  CommandLine silent;
  silent.silentMode = true;
  start(silent);
  answers.answerMessage();
  auto window = start();
  EXPECT_EQ(answers.messages, (std::vector<std::string>{catalogue(162)}));
  auto* process = child<QPushButton>(*window, "processButton");
  EXPECT_FALSE(process->isEnabled());

  auto* create = child<QPushButton>(*window, "newPatternButton");
  EXPECT_FALSE(create->isEnabled());
  QTest::keyClicks(child<QLineEdit>(*window, "newPatternName"), "abc");
  answerEditor();
  answers.answerMessage();  // " saved"
  QTest::mouseClick(create, Qt::LeftButton);
  EXPECT_EQ(answers.messages.back(), (dir_ / "abc.shbl").string() + catalogue(166));
  auto* list = child<QComboBox>(*window, "patternList");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->currentIndex(), 0);  // the only entry is selected and loaded
  EXPECT_EQ(window->pattern().rules.size(), 1u);
  EXPECT_TRUE(process->isEnabled());

  // The same name again: the question, and Cancel changes nothing.
  answers.answerMessage(QMessageBox::Cancel);
  QTest::mouseClick(create, Qt::LeftButton);
  EXPECT_EQ(answers.messages.back(), catalogue(168));
  EXPECT_EQ(readAll("abc.shbl"), encodePatternFile(window->pattern().rules));
}

TEST_F(MainWindowTest, ProcessesChosenFilesAndAnswersTheHelpCommands) {
  std::ofstream("p.shbl") << patternFile({Rule{"x", "", "y", Replace, 1, 1}});
  const fs::path in = dir_ / "in";
  fs::create_directory(in);
  std::ofstream(in / "a.txt") << "one";
  std::ofstream(in / "b.txt") << "x\nx";
  std::ofstream(in / "c.txt") << "three";
  auto window = start();
  chooseInFileDialog(QStringLiteral("\"a.txt\" \"b.txt\" \"c.txt\""), in);
  QTest::mouseClick(child<QPushButton>(*window, "processButton"), Qt::LeftButton);
  // The statistics box is checked at the start.
  const std::string none = "Замена \"x\" на \"y\" - замен - 0\r\n\r\n\r\n";
  EXPECT_EQ(readAll(in / "res_1.txt"), none + "one");
  EXPECT_EQ(readAll(in / "res_2.txt"), "Замена \"x\" на \"y\" - замен - 2\r\n\r\n\r\ny\r\ny");
  EXPECT_EQ(readAll(in / "res_3.txt"), none + "three");
  EXPECT_EQ(opened, (std::vector<std::string>{"res_1.txt", "res_2.txt", "res_3.txt"}));
  EXPECT_EQ(child<QProgressBar>(*window, "progress")->value(), 100);

  // Cancelling the dialog processes nothing.
  answers.then([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
  QTest::mouseClick(child<QPushButton>(*window, "processButton"), Qt::LeftButton);
  EXPECT_EQ(opened.size(), 3u);

  // The help commands: the syntax message, by menu and by F1 in the window
  // and in the editor, the about box and the on-line help page.
  answers.answerMessage();
  window->findChild<QAction*>("syntaxAction")->trigger();
  answers.answerMessage();
  // Shortcuts reach only the active window; activation may lag behind a
  // closed message box.
  QApplication::setActiveWindow(window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(child<QComboBox>(*window, "patternList"), Qt::Key_F1);
  // In the editor too; the message box comes up while the editor is open.
  answers.then([this](QWidget* editor) {
    answers.answerMessage();
    QApplication::setActiveWindow(editor);
    EXPECT_TRUE(QTest::qWaitForWindowActive(editor));
    QTest::keyClick(editor, Qt::Key_F1);
    qobject_cast<QDialog*>(editor)->reject();
  });
  QTest::mouseClick(child<QPushButton>(*window, "editPatternButton"), Qt::LeftButton);
  const std::string syntax =
      "Синтаксис командной строки: \nkestrune +open +dos +stat in_file=\"name1\" "
      "out_file=\"name2\" templet=\"name3\"";
  EXPECT_EQ(answers.messages, std::vector<std::string>(3, syntax));

  // And in the file dialogs and the About box.
  const auto pressF1 = [this](const char* child) {
    return [this, child](QWidget* modal) {
      answers.answerMessage();
      QWidget* target = child ? modal->findChild<QWidget*>(QLatin1String(child)) : modal;
      ASSERT_NE(target, nullptr) << child;
      QTest::keyClick(target, Qt::Key_F1);
      qobject_cast<QDialog*>(modal)->reject();
    };
  };
  answers.then(pressF1("fileNameEdit"));
  QTest::mouseClick(child<QPushButton>(*window, "processButton"), Qt::LeftButton);
  answers.then(pressF1("fileNameEdit"));
  window->findChild<QAction*>("saveAsAction")->trigger();
  answers.then([&](QWidget* modal) {
    EXPECT_EQ(modal->objectName(), QStringLiteral("aboutBox"));
    pressF1(nullptr)(modal);
  });
  window->findChild<QAction*>("aboutAction")->trigger();
  EXPECT_EQ(answers.messages, std::vector<std::string>(6, syntax));
  window->findChild<QAction*>("onlineHelpAction")->trigger();
  EXPECT_EQ(opened.back(), loadString(176));
}

// An edited pattern is asked about before anything drops it: Cancel keeps
// everything, a failed save keeps the window, Yes saves, No drops the edit.
// Enter outside a button closes without the question.
TEST_F(MainWindowTest, EditedPatternIsAskedAboutBeforeItIsDropped) {
  std::ofstream("a.shbl") << patternFile({});
  std::ofstream("b.shbl") << patternFile({Rule{"b", "", "", KeepLinesWith, 1, 1}});
  auto window = start();
  answerEditor();
  QTest::mouseClick(child<QPushButton>(*window, "editPatternButton"), Qt::LeftButton);
  auto* list = child<QComboBox>(*window, "patternList");

  answers.answerMessage(QMessageBox::Cancel);
  QTest::keyClick(list, Qt::Key_Down);
  answers.answerMessage(QMessageBox::Cancel);
  QTest::mouseClick(child<QPushButton>(*window, "exitButton"), Qt::LeftButton);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(answers.messages, std::vector<std::string>(2, formatText(catalogue(174), {"a.shbl"})));
  EXPECT_EQ(list->currentIndex(), 0);
  EXPECT_EQ(readAll("a.shbl"), patternFile({}));

  fs::remove("a.shbl");
  fs::create_directory("a.shbl");  // can no longer be written
  answers.answerMessage(QMessageBox::Yes);
  answers.answerMessage();  // " does not open"
  window->close();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(answers.messages.back(), "a.shbl" + catalogue(164));
  fs::remove("a.shbl");

  child<QLineEdit>(*window, "newPatternName")->setFocus();
  QTest::keyClick(window.get(), Qt::Key_Return);
  EXPECT_FALSE(window->isVisible());

  window->show();
  answers.answerMessage(QMessageBox::Yes);
  answers.answerMessage();  // " saved"
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
  const std::string saved = encodePatternFile(window->pattern().rules);
  EXPECT_EQ(readAll("a.shbl"), saved);

  window->show();
  answerEditor();
  QTest::mouseClick(child<QPushButton>(*window, "editPatternButton"), Qt::LeftButton);
  answers.answerMessage(QMessageBox::No);
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(window->pattern().currentPatternPath, "b.shbl");
  EXPECT_EQ(window->pattern().rules.at(0).Pattern1, "b");
  EXPECT_FALSE(window->pattern().patternModified);
  EXPECT_EQ(readAll("a.shbl"), saved);
}

// No push button of the window is a default button, wherever the focus
// is: Enter presses the focused button (Exit: the closing check), and closes
// the window at once from anywhere else.
TEST_F(MainWindowTest, NoButtonOfTheWindowIsADefaultButton) {
  std::ofstream("p.shbl") << patternFile({});
  auto window = start();
  for (const char* focus : {"exitButton", "patternList", "newPatternName", "processButton"}) {
    child<QWidget>(*window, focus)->setFocus();
    EXPECT_EQ(defaultButtons(*window), QStringList()) << focus;
  }
  answerEditor();
  QTest::mouseClick(child<QPushButton>(*window, "editPatternButton"), Qt::LeftButton);
  child<QPushButton>(*window, "exitButton")->setFocus();
  answers.answerMessage(QMessageBox::Cancel);
  QTest::keyClick(window.get(), Qt::Key_Return);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(answers.messages, (std::vector<std::string>{formatText(catalogue(174), {"p.shbl"})}));
  child<QLineEdit>(*window, "newPatternName")->setFocus();
  QTest::keyClick(window.get(), Qt::Key_Enter);
  EXPECT_EQ(window->result(), QDialog::Accepted);
}

// Qt's own texts speak the interface's language: the buttons of the
// questions and the file dialog.
TEST_F(MainWindowTest, QtsOwnTextsAreRussianToo) {
  std::ofstream("p.shbl") << patternFile({});
  auto window = start();
  answerEditor();
  QTest::mouseClick(child<QPushButton>(*window, "editPatternButton"), Qt::LeftButton);
  answers.then([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    for (auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
      EXPECT_TRUE(isCyrillic(box->button(button)->text()))
          << box->button(button)->text().toStdString();
    box->button(QMessageBox::Cancel)->click();
  });
  window->close();
  answers.then([](QWidget* modal) {
    QStringList texts;
    for (const char* label : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
      texts << modal->findChild<QLabel*>(QLatin1String(label))->text();
    for (auto* button : modal->findChild<QDialogButtonBox*>()->buttons()) texts << button->text();
    for (const QString& text : texts) EXPECT_TRUE(isCyrillic(text)) << text.toStdString();
    qobject_cast<QDialog*>(modal)->reject();
  });
  QTest::mouseClick(child<QPushButton>(*window, "processButton"), Qt::LeftButton);
}

// No event loop runs during a run, so the window is drawn whole when the
// file dialog has closed and at each change of the progress shown.
TEST_F(MainWindowTest, WindowIsRepaintedWholeDuringARun) {
  std::ofstream("p.shbl") << patternFile({Rule{"x", "", "y", Replace, 1, 1}});
  std::ofstream("big.txt") << std::string(8 << 20, 'x');
  auto window = start();
  PaintLog paints(child<QWidget>(*window, "exitButton"), child<QProgressBar>(*window, "progress"));
  answers.then([&paints, this](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    dialog->setDirectory(QString::fromStdString(dir_.string()));
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("big.txt");
    static_cast<QDialog*>(dialog)->accept();
    paints.recording = true;
  });
  QTest::mouseClick(child<QPushButton>(*window, "processButton"), Qt::LeftButton);
  ASSERT_FALSE(paints.values.empty());
  EXPECT_EQ(paints.values.front(), 0);
  const auto between = std::count_if(paints.values.begin(), paints.values.end(),
                                     [](int value) { return value > 0 && value < 100; });
  EXPECT_GE(between, 2);
  EXPECT_GT(fs::file_size("res_1.txt"), 8u << 20);
}

// Both dialogs keep their size: a long pattern name is cut in the list, it
// neither widens the window nor squeezes the name edit.
TEST_F(MainWindowTest, WindowKeepsItsSizeWhateverTheNames) {
  std::ofstream("a.shbl") << patternFile({});
  auto window = start();
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  const QSize size = window->size();
  const int nameWidth = child<QLineEdit>(*window, "newPatternName")->width();
  std::ofstream(std::string(210, 'n') + ".shbl") << patternFile({});
  window->findChild<QAction*>("refreshAction")->trigger();
  auto* list = child<QComboBox>(*window, "patternList");
  list->setCurrentIndex(1);
  EXPECT_EQ(list->currentText().size(), 215);
  EXPECT_EQ(window->size(), size);
  EXPECT_EQ(child<QLineEdit>(*window, "newPatternName")->width(), nameWidth);
  EXPECT_LT(list->width(), size.width() / 2);
}

// Under a CP1251 locale the list shows file names through the same codec as
// the caption; a new pattern is named in that codec too.
TEST_F(MainWindowTest, PatternListShowsNamesInTheLocalesCodePage) {
  struct Restore {
    std::string locale = std::setlocale(LC_ALL, nullptr);
    ~Restore() { std::setlocale(LC_ALL, locale.c_str()); }
  } restore;
  if (!std::setlocale(LC_ALL, "ru_RU.CP1251")) GTEST_SKIP() << "no ru_RU.CP1251 locale";
  const std::string name = "\xCF\xF0\xE8\xEC\xE5\xF0.shbl";  // "Пример.shbl" in CP1251
  std::ofstream(name) << patternFile({Rule{"a", "", "", Replace, 1, 1}});
  auto window = start();
  auto* list = child<QComboBox>(*window, "patternList");
  EXPECT_EQ(list->itemText(0), QStringLiteral("Пример.shbl"));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Strovel  [Пример.shbl]"));
  child<QLineEdit>(*window, "newPatternName")->setText(QStringLiteral("Новый"));
  answerEditor();
  answers.answerMessage();  // " saved"
  QTest::mouseClick(child<QPushButton>(*window, "newPatternButton"), Qt::LeftButton);
  EXPECT_TRUE(fs::exists("\xCD\xEE\xE2\xFB\xE9.shbl"));
  EXPECT_EQ(list->findText(QStringLiteral("Новый.shbl")), 0);
}

// A new pattern whose save fails keeps the rules just typed, modified and
// under the name tried; nothing is loaded over them, and they can still be
// saved elsewhere.
TEST_F(MainWindowTest, FailedNewPatternKeepsTheTypedRules) {
  std::ofstream("only.shbl") << patternFile({Rule{"o", "", "", KeepLinesWith, 1, 1}});
  auto window = start();
  QTest::keyClicks(child<QLineEdit>(*window, "newPatternName"), "no/such");
  answerEditor();
  answers.answerMessage();  // " does not open"
  QTest::mouseClick(child<QPushButton>(*window, "newPatternButton"), Qt::LeftButton);
  EXPECT_EQ(answers.messages.back(), "no/such.shbl" + catalogue(164));
  EXPECT_EQ(window->pattern().rules, ruleListOf({Rule{"", "", "", Replace, 1, 1}}));
  EXPECT_EQ(window->pattern().currentPatternPath, "no/such.shbl");
  EXPECT_TRUE(window->pattern().patternModified);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Strovel  [no/such.shbl]"));
  EXPECT_EQ(child<QComboBox>(*window, "patternList")->currentIndex(), -1);

  chooseInFileDialog(QStringLiteral("kept"), dir_);
  answers.answerMessage();  // " saved"
  window->findChild<QAction*>("saveAsAction")->trigger();
  EXPECT_EQ(readAll("kept.shbl"), patternFile({Rule{"", "", "", Replace, 1, 1}}));
  EXPECT_EQ(readAll("only.shbl"), patternFile({Rule{"o", "", "", KeepLinesWith, 1, 1}}));
}

// Files dropped on the window are processed in the order dropped; a
// dropped pattern file is asked about, then loaded in its own folder.
TEST_F(MainWindowTest, DroppedFilesAreProcessedAndADroppedPatternLoaded) {
  std::ofstream("p.shbl") << patternFile({Rule{"x", "", "y", Replace, 1, 1}});
  fs::create_directory("in");
  fs::create_directory("other");
  std::ofstream("in/a.txt") << "ax";
  std::ofstream("in/b.txt") << "bx";
  std::ofstream("other/q.shbl") << patternFile({Rule{"q", "", "", KeepLinesWith, 1, 1}});
  auto window = start();
  child<QCheckBox>(*window, "statisticsCheck")->setChecked(false);
  const auto drop = [&](std::initializer_list<fs::path> paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const fs::path& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &dropped);
  };
  drop({dir_ / "in/b.txt", dir_ / "in/a.txt"});
  EXPECT_EQ(readAll(dir_ / "in/res_1.txt"), "by");
  EXPECT_EQ(readAll(dir_ / "in/res_2.txt"), "ay");
  EXPECT_EQ(opened, (std::vector<std::string>{"res_1.txt", "res_2.txt"}));

  answerEditor();
  QTest::mouseClick(child<QPushButton>(*window, "editPatternButton"), Qt::LeftButton);
  answers.answerMessage(QMessageBox::Cancel);
  drop({dir_ / "other/q.shbl"});
  EXPECT_EQ(window->pattern().rules.size(), 2u);  // kept, with its edit
  answers.answerMessage(QMessageBox::No);
  drop({dir_ / "other/q.shbl"});
  EXPECT_EQ(fs::current_path(), dir_ / "other");
  EXPECT_EQ(window->pattern().currentPatternPath, "q.shbl");
  EXPECT_EQ(window->pattern().rules.at(0).Pattern1, "q");
  EXPECT_EQ(child<QComboBox>(*window, "patternList")->currentText(), QStringLiteral("q.shbl"));
}

// The preview, from the File menu and from the editor: the summary lines,
// the changes and the keys between them; Close writes nothing, Write result
// makes the processing run; the file chosen last is offered again.
TEST_F(MainWindowTest, PreviewShowsTheChangesAndWritesOnlyWhenAsked) {
  std::ofstream("p.shbl") << patternFile(
      {Rule{"x", "", "y", Replace, 1, 1}, Rule{"gone", "", "", DeleteLinesWith, 1, 1}});
  fs::create_directory("in");
  std::ofstream("in/a.txt") << "x a\r\nk\r\ngone\r\nk\r\nx b";
  auto window = start();
  const auto inPreview = [this](std::function<void(PreviewDialog&)> check) {
    answers.then([check](QWidget* modal) {
      auto* preview = qobject_cast<PreviewDialog*>(modal);
      ASSERT_NE(preview, nullptr) << modal->metaObject()->className();
      preview->waitForAlignment();
      check(*preview);
    });
  };
  chooseInFileDialog(QStringLiteral("a.txt"), dir_ / "in");
  inPreview([](PreviewDialog& preview) {
    EXPECT_EQ(preview.findChild<QPlainTextEdit*>("previewSummary")->toPlainText().toStdString(),
              "Замена \"x\" на \"y\" - замен - 2\nУдалять строки, содержащие \"gone\" - "
              "удалено строк - 1");
    EXPECT_EQ(preview.findChild<QLabel*>("previewStatus")->text().toStdString(),
              "Изменений: 3 (строк удалено: 3, добавлено: 2)");
    auto* view = preview.findChild<PreviewView*>();
    EXPECT_EQ(view->currentRow(), 0u);  // the first change is shown
    std::vector<std::size_t> rows;
    for (auto key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
      QTest::keyClick(view, key, Qt::AltModifier);
      rows.push_back(view->currentRow().value_or(99));
    }
    EXPECT_EQ(rows, (std::vector<std::size_t>{2, 4, 4, 2}));
    QTest::mouseClick(preview.findChild<QPushButton*>("closeButton"), Qt::LeftButton);
  });
  window->findChild<QAction*>("previewAction")->trigger();
  EXPECT_FALSE(fs::exists(dir_ / "in/res_1.txt"));

  answers.then([](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->selectedFiles().value(0).endsWith(QStringLiteral("/in/a.txt")));
    static_cast<QDialog*>(dialog)->accept();
  });
  inPreview([](PreviewDialog& preview) {
    QTest::mouseClick(preview.findChild<QPushButton*>("writeResultButton"), Qt::LeftButton);
  });
  auto* previewAction = window->findChild<QAction*>("previewAction");
  EXPECT_EQ(previewAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
  previewAction->trigger();
  EXPECT_EQ(readAll(dir_ / "in/res_1.txt"),
            "Замена \"x\" на \"y\" - замен - 2\r\nУдалять строки, содержащие \"gone\" - "
            "удалено строк - 1\r\n\r\n\r\ny a\r\nk\r\nk\r\ny b");
  EXPECT_EQ(opened, (std::vector<std::string>{"res_1.txt"}));

  // From the editor, on its rules before OK; it writes nothing.
  fs::remove(dir_ / "in/res_1.txt");
  answers.then([this, inPreview](QWidget* editor) {
    QTest::mouseClick(editor->findChild<QPushButton*>("addButton"), Qt::LeftButton);
    answers.then([](QWidget* modal) { static_cast<QDialog*>(modal)->accept(); });  // a.txt again
    inPreview([](PreviewDialog& preview) {
      EXPECT_TRUE(preview.findChild<QPlainTextEdit*>("previewSummary")
                      ->toPlainText()
                      .endsWith(QStringLiteral("Замена \"\" на \"\" - замен - 0")));
      EXPECT_FALSE(preview.findChild<QPushButton*>("writeResultButton")->isVisible());
      preview.reject();
    });
    auto* button = editor->findChild<QPushButton*>("previewButton");
    EXPECT_EQ(button->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    QTest::mouseClick(button, Qt::LeftButton);
    qobject_cast<QDialog*>(editor)->reject();
  });
  QTest::mouseClick(child<QPushButton>(*window, "editPatternButton"), Qt::LeftButton);
  EXPECT_FALSE(fs::exists(dir_ / "in/res_1.txt"));
  EXPECT_EQ(window->pattern().rules.size(), 2u);

  // A sort's result stands beside the input, row by row, and says so.
  auto sorted = std::make_shared<TrialResult>();
  sorted->input = std::string("b\na\r\n\0", 6);
  sorted->result = "a\nb";
  PreviewDialog preview(sorted, true, "s.txt", true, window.get());
  preview.waitForAlignment();
  const Alignment& rows = preview.findChild<PreviewView*>()->rows();
  ASSERT_EQ(rows.rows(), 3u);
  EXPECT_EQ(rows.row(2).kind, Alignment::Kind::Unaligned);
  EXPECT_FALSE(rows.row(2).right);
  EXPECT_EQ(preview.findChild<QLabel*>("previewStatus")->text(), toDisplay(loadString(200)));
  EXPECT_FALSE(preview.findChild<QPushButton*>("nextChangeButton")->isEnabled());
  EXPECT_EQ(displayLine(std::string_view("a\r\0\x7f\xff", 5)),
            QStringLiteral("a\u240D\u2400\u2421\uFFFD"));
}

}  // namespace
}  // namespace strovel
