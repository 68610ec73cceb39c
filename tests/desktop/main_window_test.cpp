// The main window driven as a user drives it, under the offscreen platform:
// started as the program starts it, buttons clicked, menus triggered, keys
// pressed, files dropped, message boxes, file dialogs, the editor and the
// preview answered as they come up. Every test works in a fresh folder,
// which is the pattern folder.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <sstream>

#include "app/desktop_start.h"
#include "preview/preview_dialog.h"
#include "preview/preview_view.h"
#include "support/file_bytes.h"
#include "support/modal_answers.h"
#include "ui/ui_text.h"

namespace strovel {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
const Rule kBlank{"", "", "", Replace, 1, 1}, kXy{"x", "", "y", Replace, 1, 1};

std::string file(std::initializer_list<Rule> rules) { return encodePatternFile(rulesOf(rules)); }
Rule keep(const std::string& text) { return Rule{text, "", "", KeepLinesWith, 1, 1}; }

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string folder = (fs::temp_directory_path() / "strovel-window-XXXXXX").string();
    fs::current_path(dir = ::mkdtemp(folder.data()));
  }
  void TearDown() override {
    std::setlocale(LC_ALL, "");
    fs::current_path(previous);
    fs::remove_all(dir);
    EXPECT_EQ(answers.unexpected, Strings{});
    EXPECT_TRUE(answers.handlers.empty());  // every dialog a test expected came up
  }
  // A window as the program starts it, shown, with results not opened.
  void start(const std::string& openedPattern = "", bool dos = false, bool silent = false) {
    CommandLine options;
    options.dosMode = dos, options.silentMode = silent;
    w = std::make_unique<MainWindow>();
    w->setFinishPause(0);
    w->setOpener([this](const std::string& target) { opened.push_back(target); });
    startWindow(*w, options, openedPattern);
    w->show();
  }
  template <class T = QWidget>
  T* ui(const char* name) {
    return named<T>(w.get(), name);
  }
  QComboBox* list() { return ui<QComboBox>("patternList"); }
  // Queues answers for the dialogs to come, one word each: a message box's
  // button; "+N": the editor adds N rules, then OK; "<NAME": the file dialog
  // is given NAME ("<" alone: what it offers).
  void expect(const std::string& dialogs) {
    std::istringstream words(dialogs);
    for (std::string word; words >> word;) {
      if (word[0] == '<')
        answers.then([this, typed = QString::fromStdString(word.substr(1))](QWidget* modal) {
          auto* dialog = qobject_cast<QFileDialog*>(modal);
          if (!typed.isEmpty()) dialog->setDirectory(QDir::currentPath());
          if (!typed.isEmpty()) named<QLineEdit>(dialog, "fileNameEdit")->setText(typed);
          offered = dialog->selectedFiles().value(0).toStdString();
          static_cast<QDialog*>(dialog)->accept();  // as OK does
        });
      if (word[0] == '+')
        answers.then([rules = word[1] - '0'](QWidget* editor) {
          for (int i = 0; i < rules; ++i) click(editor, "addButton");
          click(editor, "okButton");
        });
      const int button =
          QMetaEnum::fromType<QMessageBox::StandardButtons>().keyToValue(word.data());
      if (button > 0) answers.answer({QMessageBox::StandardButton(button)});
    }
  }
  // Then triggers the action, clicks the button or presses the key named,
  // and gives the texts of the messages shown.
  std::string run(const std::string& dialogs, const char* command) {
    answers.messages.clear();
    expect(dialogs);
    if (auto* action = w->findChild<QAction*>(command)) action->trigger();
    if (auto* button = w->findChild<QPushButton*>(command))
      QTest::mouseClick(button, Qt::LeftButton);
    // The list passes the keys it has no use for to the window.
    if (!w->findChild<QObject*>(command)) QTest::keyClick(list(), QKeySequence(command)[0].key());
    std::string shown;
    for (const std::string& text : answers.messages) shown += (shown.empty() ? "" : " / ") + text;
    return shown;
  }
  // The list with ">" at the current entry, the caption, the pattern's path
  // ("*": modified) and its rules' Pattern1, each closed by ";".
  std::string state() {
    std::string shown;
    for (int i = 0; i < list()->count(); ++i)
      shown += (i == list()->currentIndex() ? ">" : "") + list()->itemText(i).toStdString() + " ";
    const PatternState& pattern = w->pattern();
    shown += "| " + w->windowTitle().toStdString() + " | " +
             toDisplay(pattern.currentPatternPath).toStdString() +
             (pattern.patternModified ? "* " : " ");
    for (const Rule& rule : pattern.rules) shown += rule.Pattern1 + ";";
    return shown;
  }
  void drop(std::initializer_list<fs::path> paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const fs::path& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data.setUrls(urls);
    QDragEnterEvent enter({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent dropped({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    EXPECT_TRUE(QApplication::sendEvent(w.get(), &enter) && enter.isAccepted());
    QApplication::sendEvent(w.get(), &dropped);
  }

  ModalAnswers answers;
  std::unique_ptr<MainWindow> w;
  Strings opened;
  std::string offered;
  fs::path dir, previous = fs::current_path();
};

// Opened from the file manager: a single existing ".shbl" file, and nothing
// else, is a pattern to open; the window then starts in the file's folder
// with it loaded. A plain start lists the patterns of the current folder,
// sorted ignoring case, and loads the first.
TEST_F(MainWindowTest, StartOpensTheHandedPatternOrTheFirstOneListed) {
  fs::create_directories("patterns/folder.shbl");
  for (const char* name : {"alpha.shbl", "Beta.shbl", "C.SHBL"})
    writeAll(dir / "patterns" / name, file({keep({name[0]})}));
  const std::string p = (dir / "patterns/").string(), b = p + "Beta.shbl", link = dir / "l.shbl";
  fs::create_symlink(b, link);
  fs::create_directory("work");
  fs::current_path("work");
  for (const char* name : {"in_file=x templet=y.shbl", "+dos z.shbl"}) writeAll(name, "");
  const auto openedBy = [](const Strings& arguments) {
    std::vector<const char*> argv{"kestrune"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    return openedPatternFile(static_cast<int>(argv.size()), argv.data());
  };
  for (const std::string& path : Strings{p + "C.SHBL", p + "folder.shbl", p + "missing.shbl",
                                         "in_file=x templet=y.shbl", p + "/"})
    EXPECT_EQ(openedBy({path}), "") << path;
  EXPECT_EQ(openedBy({"+dos z.shbl"}) + openedBy({b, b}) + openedBy({"+dos", b}), "+dos z.shbl");

  const std::pair<std::string, std::string> starts[] = {
      {b, "alpha.shbl >Beta.shbl | Strovel  [Beta.shbl] | Beta.shbl B;"},
      {"../patterns/alpha.shbl", ">alpha.shbl Beta.shbl | Strovel  [alpha.shbl] | alpha.shbl a;"},
      {link, ">l.shbl | Strovel  [l.shbl] | l.shbl B;"},  // a link opens in its own folder
      {"", ">alpha.shbl Beta.shbl | Strovel  [alpha.shbl] | alpha.shbl a;"}};
  for (const auto& [path, shown] : starts) {
    fs::current_path(dir / (path.empty() ? "patterns" : "work"));
    // As the program starts: the plain start's options apply to it only.
    start(openedBy(path.empty() ? Strings{} : Strings{path}), true);
    EXPECT_EQ(state(), shown);
    EXPECT_EQ(fs::current_path(), fs::canonical(path == link ? dir : dir / "patterns"));
    EXPECT_EQ(ui<QCheckBox>("dosCheck")->isChecked(), path.empty());
  }
}

// A session under a CP1251 locale, where names on disk are in that code
// page and shown through the same codec as the caption. An empty folder
// says so (unless silent); a new pattern fills it; one whose save fails
// keeps the rules just typed, modified and under the name tried, with
// nothing loaded over them. An edited pattern is asked about before
// anything drops it:
// Cancel keeps everything, a failed save keeps the window, Yes saves, No
// drops the edit. No push button is a default button: Enter presses the
// focused one, and anywhere else closes the window at once, without the
// question. The window keeps its size whatever the names listed.
TEST_F(MainWindowTest, NewPatternsAndTheQuestionBeforeAnEditIsDropped) {
  const bool cp1251 = std::setlocale(LC_ALL, "ru_RU.CP1251");
  start("", false, true);  // silent
  answers.answer();
  start();
  EXPECT_EQ(answers.messages, Strings{"Ни одного файла *.shbl не найдено"});
  EXPECT_FALSE(ui("processButton")->isEnabled() || ui("newPatternButton")->isEnabled());
  ui<QLineEdit>("newPatternName")->setText("Новый");
  EXPECT_EQ(run("+1 Ok", "newPatternButton"), (dir / "Новый.shbl").string() + " сохранен");
  EXPECT_EQ(state(), ">Новый.shbl | Strovel  [Новый.shbl] | Новый.shbl ;");
  EXPECT_TRUE(fs::exists(cp1251 ? "\xCD\xEE\xE2\xFB\xE9.shbl" : "Новый.shbl"));
  ui<QLineEdit>("newPatternName")->setText("no/such");
  EXPECT_EQ(run("+2 Ok", "newPatternButton"), "no/such.shbl не открывается");
  EXPECT_EQ(state(), "Новый.shbl | Strovel  [no/such.shbl] | no/such.shbl* ;;");
  writeAll("z.shbl", file({keep("z")}));
  run("", "refreshAction");
  const std::string question = "Сохранить изменения в шаблоне no/such.shbl?";
  EXPECT_EQ(run("Cancel", "Down"), question);
  for (auto* button : w->findChildren<QPushButton*>())
    EXPECT_FALSE(button->isDefault() || button->autoDefault())
        << button->objectName().toStdString();
  ui("exitButton")->setFocus();
  EXPECT_EQ(run("Cancel", "Return"), question);  // presses Exit, which asks
  expect("Yes Ok");
  w->close();
  EXPECT_TRUE(w->isVisible());  // the save failed
  EXPECT_EQ(state(), "z.shbl Новый.shbl | Strovel  [no/such.shbl] | no/such.shbl* ;;");
  ui("newPatternName")->setFocus();
  run("", "Enter");
  EXPECT_TRUE(w->isHidden() && w->result() == QDialog::Accepted);
  w->show();
  EXPECT_EQ(run("No", "Down"), question);
  EXPECT_EQ(state(), ">z.shbl Новый.shbl | Strovel  [z.shbl] | z.shbl z;");
  run("+1", "editPatternButton");
  EXPECT_EQ(run("Yes Ok", "Esc"),
            "Сохранить изменения в шаблоне z.shbl? / " + (dir / "z.shbl").string() + " сохранен");
  EXPECT_TRUE(w->isHidden());
  EXPECT_EQ(readAll("z.shbl"), file({keep("z"), keep("")}));

  const QSize size = w->size();
  const int nameWidth = ui("newPatternName")->width();
  writeAll(std::string(210, 'n') + ".shbl", file({}));
  run("", "refreshAction");
  list()->setCurrentIndex(0);
  EXPECT_EQ(list()->currentText().size(), 215);
  EXPECT_TRUE(w->size() == size && w->minimumSize() == w->maximumSize());
  EXPECT_EQ(ui("newPatternName")->width(), nameWidth);
  EXPECT_LT(list()->width(), size.width() / 2);
}

// Chosen and dropped files are processed in order, statistics first (the
// box is checked at the start); the window is drawn whole during a run, no
// event loop running. The preview, from the File menu and from the editor,
// shows the summary, the changes and the keys between them; Close writes
// nothing, Write result makes the processing run; the file chosen last is
// offered again. F1 shows the syntax message in every window, as the menu
// does, and Qt's own texts in the file dialogs are Russian. A dropped
// pattern file is asked about, then loaded in its own folder.
TEST_F(MainWindowTest, ProcessesPreviewsAndAnswersF1Everywhere) {
  writeAll("p.shbl", file({kXy, Rule{"gone", "", "", DeleteLinesWith, 1, 1}}));
  writeAll("big.txt", std::string(8 << 20, 'x'));
  fs::create_directories("in");
  writeAll("in/a.txt", "x a\r\nk\r\ngone\r\nk\r\nx b");
  writeAll("in/b.txt", "one");
  const std::string stats =
                        "Замена \"x\" на \"y\" - замен - 2\r\nУдалять строки, содержащие \"gone\" "
                        "- удалено строк - 1",
                    a = "y a\r\nk\r\nk\r\ny b";
  start();
  std::vector<int> paints;  // the progress shown at each paint of Exit once the dialog is gone
  answers.watch = [&](QObject* watched, QEvent* event) {
    if (watched == ui("exitButton") && event->type() == QEvent::Paint &&
        !QApplication::activeModalWidget())
      paints.push_back(ui<QProgressBar>("progress")->value());
  };
  run("<big.txt", "processButton");
  answers.watch = nullptr;
  EXPECT_EQ(paints.at(0), 0);
  EXPECT_GE(std::count_if(paints.begin(), paints.end(), [](int p) { return p > 0 && p < 100; }), 2);

  expect("<in/a.txt");
  answers.then([&](QWidget* modal) {  // what it shows, and Close, which writes nothing
    auto* preview = qobject_cast<PreviewDialog*>(modal);
    preview->waitForAlignment();
    EXPECT_EQ(named<QPlainTextEdit>(modal, "previewSummary")->toPlainText(),
              QString::fromStdString(stats).replace("\r\n", "\n"));
    EXPECT_EQ(named<QLabel>(modal, "previewStatus")->text(),
              "Изменений: 3 (строк удалено: 3, добавлено: 2)");
    auto* view = preview->findChild<PreviewView*>();
    std::string rows = std::to_string(view->currentRow().value_or(99));  // the first change
    for (auto key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up})
      QTest::keyClick(view, key, Qt::AltModifier), rows += std::to_string(*view->currentRow());
    EXPECT_EQ(rows, "02442");
    click(modal, "closeButton");
  });
  run("", "previewAction");
  EXPECT_FALSE(fs::exists("res_1.txt"));
  EXPECT_EQ(ui<QAction>("previewAction")->shortcut(), QKeySequence("Ctrl+P"));
  expect("<");
  answers.then([](QWidget* modal) { click(modal, "writeResultButton"); });
  run("", "previewAction");
  EXPECT_TRUE(offered.ends_with("/in/a.txt")) << offered;
  EXPECT_EQ(readAll("res_1.txt"), stats + "\r\n\r\n\r\n" + a);
  EXPECT_EQ(opened, (Strings{"res_1.txt", "res_1.txt"}));

  const std::string syntax =
      "Синтаксис командной строки: \nkestrune +open +dos +stat in_file=\"name1\" "
      "out_file=\"name2\" templet=\"name3\"";
  EXPECT_EQ(run("Ok", "syntaxAction"), syntax);
  EXPECT_EQ(run("Ok", "F1"), syntax);
  for (const char* command :
       {"editPatternButton", "processButton", "saveAsAction", "aboutAction"}) {
    answers.then([&](QWidget* modal) {
      QStringList texts;  // Qt's own texts in a file dialog: its labels and buttons
      for (auto* text : modal->findChildren<QWidget*>(QRegularExpression("Label$|^$")))
        texts << text->property("text").toString();
      EXPECT_TRUE(!qobject_cast<QFileDialog*>(modal) ||
                  texts.filter(QRegularExpression("[а-яА-Я]")).size() == 5)
          << texts.join('|').toStdString();
      answers.answer();
      QTest::keyClick(modal, Qt::Key_F1);
      qobject_cast<QDialog*>(modal)->reject();
    });
    EXPECT_EQ(run("", command), syntax) << command;
  }

  opened.clear();
  ui<QCheckBox>("statisticsCheck")->setChecked(false);
  drop({dir / "in/b.txt", dir / "in/a.txt"});
  EXPECT_EQ(readAll("res_1.txt") + readAll("res_2.txt"), "one" + a);
  EXPECT_EQ(opened, (Strings{"res_1.txt", "res_2.txt"}));
  fs::create_directory(dir / "other");
  writeAll(dir / "other/q.shbl", file({keep("q")}));
  run("+1", "editPatternButton");
  expect("Cancel");
  drop({dir / "other/q.shbl"});
  EXPECT_EQ(state(), ">p.shbl | Strovel  [p.shbl] | p.shbl* x;gone;;");  // kept, with its edit
  expect("No");
  drop({dir / "other/q.shbl"});
  EXPECT_EQ(state(), ">q.shbl | Strovel  [q.shbl] | q.shbl q;");
  EXPECT_EQ(fs::current_path(), dir / "other");
}

}  // namespace
}  // namespace strovel
