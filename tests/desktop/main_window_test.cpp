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
const Rule kXy{"x", "", "y", Replace, 1, 1};

std::string file(std::initializer_list<Rule> rules) { return encodePatternFile(rulesOf(rules)); }
Rule keep(const std::string& text) { return Rule{text, "", "", KeepLinesWith, 1, 1}; }

class MainWindowTest : public testing::Test {
 protected:
  void TearDown() override {
    std::setlocale(LC_ALL, "");
    EXPECT_EQ(answers.unexpected, Strings{});
    EXPECT_TRUE(answers.handlers.empty());  // every dialog a test expected came up
  }
  // A window as the program starts it, shown, with results not opened.
  void start(const std::string& openedPattern = "", bool dos = false) {
    w = std::make_unique<MainWindow>();
    w->setFinishPause(0);
    w->setOpener([this](const std::string& target) { opened.push_back(target); });
    CommandLine options;
    options.dosMode = dos;
    startWindow(*w, options, openedPattern);
    w->show();
  }
  QWidget* ui(const char* name) { return named(w.get(), name); }
  // Queues answers for the dialogs to come, one word each: a message box's
  // button; "+N": the editor adds N rules, then OK; "<NAME": the file dialog
  // is given NAME. Then triggers the action,
  // clicks the button or presses the key named, if any, and gives the texts
  // of the messages shown.
  std::string run(const std::string& dialogs, const char* command = "") {
    answers.messages.clear();
    std::istringstream words(dialogs);
    for (std::string word; words >> word;) {
      const QString typed = QString::fromStdString(word.substr(1));
      if (word[0] == '<')
        answers.then([this, typed](QWidget* modal) {
          qobject_cast<QFileDialog*>(modal)->setDirectory(QDir::currentPath());
          named<QLineEdit>(modal, "fileNameEdit")->setText(typed);
          static_cast<QDialog*>(modal)->accept();  // as OK does
        });
      if (word[0] == '+')
        answers.then([rules = typed.toInt()](QWidget* editor) {
          for (int i = 0; i < rules; ++i) click(editor, "addButton");
          click(editor, "okButton");
        });
      const int button =
          QMetaEnum::fromType<QMessageBox::StandardButtons>().keyToValue(word.data());
      if (button > 0) answers.answer({QMessageBox::StandardButton(button)});
    }
    if (!*command) return {};
    if (auto* action = w->findChild<QAction*>(command)) action->trigger();
    if (auto* b = w->findChild<QPushButton*>(command)) QTest::mouseClick(b, Qt::LeftButton);
    // The list passes the keys it has no use for to the window, which is
    // active again once a dialog has gone, as under a window manager.
    if (!w->findChild<QObject*>(command)) {
      w->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
      QTest::keyClick(ui("patternList"), QKeySequence(command)[0].key(),
                      QKeySequence(command)[0].keyboardModifiers());
    }
    std::string shown;
    for (const std::string& text : answers.messages) shown += (shown.empty() ? "" : " / ") + text;
    return shown;
  }
  // The list with ">" at the current entry, the caption, the pattern's path
  // ("*": modified) and its rules' Pattern1, each closed by ";".
  std::string state() {
    auto* list = named<QComboBox>(w.get(), "patternList");
    std::string shown;
    for (int i = 0; i < list->count(); ++i)
      shown += (i == list->currentIndex() ? ">" : "") + list->itemText(i).toStdString() + " ";
    const PatternState& p = w->pattern();
    shown += "| " + w->windowTitle().toStdString() + " | " +
             toDisplay(p.currentPatternPath).toStdString();
    shown += p.patternModified ? "* " : " ";
    for (const Rule& rule : p.rules) shown += rule.Pattern1 + ";";
    return shown;
  }
  void drop(std::initializer_list<fs::path> paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const fs::path& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data.setUrls(urls);
    // As a file manager drags with Shift held: a move proposed, a copy
    // possible. The window takes a copy, and a drag that can only move not
    // at all.
    const Qt::DropActions either = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent moveOnly({5, 5}, Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_FALSE(QApplication::sendEvent(w.get(), &moveOnly) && moveOnly.isAccepted());
    QDragEnterEvent enter({5, 5}, either, &data, Qt::LeftButton, Qt::ShiftModifier);
    enter.setDropAction(Qt::MoveAction);
    QDragMoveEvent move({6, 6}, either, &data, Qt::LeftButton, Qt::ShiftModifier);
    move.setDropAction(Qt::MoveAction);
    QDropEvent dropped({6, 6}, either, &data, Qt::LeftButton, Qt::ShiftModifier);
    dropped.setDropAction(Qt::MoveAction);
    EXPECT_TRUE(QApplication::sendEvent(w.get(), &enter) && enter.isAccepted());
    EXPECT_TRUE(QApplication::sendEvent(w.get(), &move) && move.isAccepted());
    QApplication::sendEvent(w.get(), &dropped);
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    EXPECT_EQ(move.dropAction(), Qt::CopyAction);
    EXPECT_EQ(dropped.dropAction(), Qt::CopyAction);
  }

  const ScratchFolder scratch;
  const fs::path dir = scratch.path;
  ModalAnswers answers;
  std::unique_ptr<MainWindow> w;
  Strings opened;
};

// Opened from the file manager: a single existing ".shbl" file, and nothing
// else, is a pattern to open; the window then starts in the file's folder
// with it loaded. A plain start lists the patterns of the current folder,
// sorted ignoring case, and loads the first. Either way statistics are
// asked for, and the DOS box follows the plain start's options only.
TEST_F(MainWindowTest, StartOpensTheHandedPatternOrTheFirstOneListed) {
  fs::create_directories("patterns/folder.shbl");
  for (const char* name : {"alpha.shbl", "Beta.shbl", "C.SHBL"})
    writeAll(dir / "patterns" / name, file({keep({name[0]})}));
  const std::string p = (dir / "patterns/").string(), b = p + "Beta.shbl";
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
      {"", ">alpha.shbl Beta.shbl | Strovel  [alpha.shbl] | alpha.shbl a;"}};
  for (const auto& [path, shown] : starts) {
    fs::current_path(dir / (path.empty() ? "patterns" : "work"));
    // As the program starts: the plain start's options apply to it only.
    start(openedBy(path.empty() ? Strings{} : Strings{path}), true);
    EXPECT_EQ(state(), shown);
    EXPECT_EQ(fs::current_path(), fs::canonical(dir / "patterns"));
    EXPECT_EQ(named<QCheckBox>(w.get(), "dosCheck")->isChecked(), path.empty());
    EXPECT_TRUE(named<QCheckBox>(w.get(), "statisticsCheck")->isChecked());
  }
}

// A session under a CP1251 locale, where names on disk are in that code
// page and shown through the same codec as the caption. An empty folder
// says so and a new pattern fills it; one whose save fails keeps the rules
// just typed, modified and under the name tried, with nothing loaded over
// them. An edited pattern is asked about before anything drops it: Cancel
// keeps everything, No drops the edit, Yes saves it. No push button is a
// default button: Enter presses the focused one (Exit, which asks), and
// anywhere else closes the window as OK does (asking first here). The
// window keeps its size whatever the names listed.
TEST_F(MainWindowTest, NewPatternsAndTheQuestionBeforeAnEditIsDropped) {
  const bool cp1251 = std::setlocale(LC_ALL, "ru_RU.CP1251");
  answers.answer();
  start();
  EXPECT_EQ(answers.messages, Strings{"Ни одного файла *.shbl не найдено"});
  named<QLineEdit>(w.get(), "newPatternName")->setText("Новый");
  EXPECT_EQ(run("+1 Ok", "newPatternButton"), (dir / "Новый.shbl").string() + " сохранен");
  EXPECT_EQ(state(), ">Новый.shbl | Strovel  [Новый.shbl] | Новый.shbl ;");
  EXPECT_TRUE(fs::exists(cp1251 ? "\xCD\xEE\xE2\xFB\xE9.shbl" : "Новый.shbl"));
  named<QLineEdit>(w.get(), "newPatternName")->setText("no/such");
  EXPECT_EQ(run("+2 Ok", "newPatternButton"), "no/such.shbl не открывается");
  EXPECT_EQ(state(), "Новый.shbl | Strovel  [no/such.shbl] | no/such.shbl* ;;");
  writeAll("z.shbl", file({keep("z")}));
  run("", "refreshAction");
  EXPECT_EQ(run("Cancel", "Down"), "Сохранить изменения в шаблоне no/such.shbl?");
  for (auto* button : w->findChildren<QPushButton*>())
    EXPECT_FALSE(button->isDefault() || button->autoDefault());
  ui("exitButton")->setFocus();
  EXPECT_EQ(run("Cancel", "Return"), "Сохранить изменения в шаблоне no/such.shbl?");  // Exit
  ui("newPatternName")->setFocus();
  run("No", "Enter");
  EXPECT_TRUE(w->isHidden() && w->result() == QDialog::Accepted);
  w->show();
  EXPECT_EQ(run("No", "Down"), "Сохранить изменения в шаблоне no/such.shbl?");
  EXPECT_EQ(state(), ">z.shbl Новый.shbl | Strovel  [z.shbl] | z.shbl z;");
  run("+1 Yes Ok", "editPatternButton");
  w->close();
  EXPECT_TRUE(w->isHidden() && readAll("z.shbl") == file({keep("z"), keep("")}));

  const QSize size = w->size();
  writeAll(std::string(210, 'n') + ".shbl", file({}));
  run("", "refreshAction");
  EXPECT_TRUE(w->size() == size && w->minimumSize() == w->maximumSize());
  EXPECT_LT(named<QComboBox>(w.get(), "patternList")->width(), size.width() / 2);
}

// The window is drawn whole during a run, at each change of the progress
// shown, no event loop running. The preview shows the summary, the changes
// and the keys between them, and Close writes nothing. F1 shows the syntax
// message in every window (F1 with a modifier does not), and Qt's own texts
// in the file dialogs are Russian. Of the files dropped, the first pattern file is asked about,
// then loaded in its own folder, and the others are processed in the order dropped.
TEST_F(MainWindowTest, ProcessesPreviewsAndAnswersF1Everywhere) {
  writeAll("p.shbl", file({kXy, Rule{"gone", "", "", DeleteLinesWith, 1, 1}}));
  writeAll("big.txt", std::string(8 << 20, 'x'));
  fs::create_directories("in");
  writeAll("in/a.txt", "x a\r\nk\r\ngone\r\nk\r\nx b");
  writeAll("in/b.txt", "one");
  start();
  std::vector<int> paints;  // the progress at each paint of Exit once the file dialog is gone
  QPointer<QObject> dialog = w.get();
  answers.watch = [&](QObject* watched, QEvent* event) {
    if (qobject_cast<QFileDialog*>(watched)) dialog = watched;
    if (!dialog && watched == ui("exitButton") && event->type() == QEvent::Paint)
      paints.push_back(named<QProgressBar>(w.get(), "progress")->value());
  };
  run("<big.txt", "processButton");
  answers.watch = nullptr;
  EXPECT_EQ(paints.at(0), 0);
  EXPECT_GE(std::count_if(paints.begin(), paints.end(), [](int p) { return p > 0 && p < 100; }), 2);

  run("<in/a.txt");
  answers.then([&](QWidget* modal) {  // what it shows, and Close, which writes nothing
    qobject_cast<PreviewDialog*>(modal)->waitForAlignment();
    EXPECT_EQ(named<QPlainTextEdit>(modal, "previewSummary")->toPlainText(),
              "Замена \"x\" на \"y\" - замен - 2\nУдалять строки, содержащие \"gone\" - удалено "
              "строк - 1");
    EXPECT_EQ(named<QLabel>(modal, "previewStatus")->text(),
              "Изменений: 3 (строк удалено: 3, добавлено: 2)");
    auto* view = modal->findChild<PreviewView*>();
    std::string rows = std::to_string(view->currentRow().value_or(99));  // the first change
    for (auto key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up})
      QTest::keyClick(view, key, Qt::AltModifier), rows += std::to_string(*view->currentRow());
    EXPECT_EQ(rows, "02442");
    click(modal, "closeButton");
  });
  run("", "previewAction");
  // Close writes nothing, and the preview leaves the current folder alone.
  EXPECT_FALSE(fs::exists("in/res_1.txt"));
  EXPECT_EQ(fs::current_path(), fs::canonical(dir));
  EXPECT_EQ(opened, Strings{"res_1.txt"});

  const std::string syntax =
      "Синтаксис командной строки: \nkestrune +open +dos +stat "
      "in_file=\"name1\" out_file=\"name2\" templet=\"name3\"";
  EXPECT_EQ(run("Ok", "F1"), syntax);
  EXPECT_EQ(run("", "Ctrl+F1") + run("", "Alt+F1"), "");  // F1 only, as it stands
  for (const char* command :
       {"editPatternButton", "processButton", "saveAsAction", "aboutAction"}) {
    answers.then([&](QWidget* modal) {
      QStringList texts;  // Qt's own texts in a file dialog: its labels and buttons
      for (auto* text : modal->findChildren<QWidget*>(QRegularExpression("Label$|^$")))
        texts << text->property("text").toString();
      EXPECT_TRUE(!qobject_cast<QFileDialog*>(modal) ||
                  texts.filter(QRegularExpression("[а-яА-Я]")).size() == 5);
      // The type of a folder in its list, which Qt's catalogue lacks.
      EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(QDir::currentPath())), "Папка");
      answers.answer();
      QTest::keyClick(modal, Qt::Key_F1);
      qobject_cast<QDialog*>(modal)->reject();
    });
    EXPECT_EQ(run("", command), syntax) << command;
  }

  named<QCheckBox>(w.get(), "statisticsCheck")->setChecked(false);
  fs::create_directory(dir / "other");
  writeAll(dir / "other/q.shbl", file({kXy}));
  run("+1 No", "editPatternButton");
  drop({dir / "in/b.txt", dir / "other/q.shbl", dir / "in/a.txt", dir / "p.shbl"});
  // Listed in its own folder, and kept by its full path once the inputs'
  // folder is the current one.
  EXPECT_EQ(state(), ">q.shbl | Strovel  [q.shbl] | " + (dir / "other/q.shbl").string() + " x;");
  EXPECT_EQ(readAll("res_1.txt") + readAll("res_2.txt"), "oney a\r\nk\r\ngone\r\nk\r\ny b");
}

// The list loads what it shows: once processing a file from another folder
// has made that folder the current one, an entry still loads its file from
// the list's folder, a save writes it back there, and a load that fails
// shows the pattern in force again.
TEST_F(MainWindowTest, TheListLoadsWhatItShowsAndSavesWhereItLoaded) {
  writeAll("errors.shbl", file({keep("ERROR")}));
  writeAll("heavy.shbl", file({keep("heavy")}));
  fs::create_directory("other");
  writeAll("other/x.txt", "ERROR a\r\nok\r\n");
  start();
  run("<other/x.txt", "processButton");
  EXPECT_EQ(fs::current_path(), fs::canonical(dir / "other"));
  const std::string heavy = (dir / "heavy.shbl").string();
  EXPECT_EQ(run("", "Down"), "");
  EXPECT_EQ(state(),
            "errors.shbl >heavy.shbl | " + patternCaption(heavy, true) + " | " + heavy + " heavy;");
  run("+1", "editPatternButton");
  EXPECT_EQ(run("Ok", "Ctrl+S"), heavy + " сохранен");
  EXPECT_TRUE(readAll(heavy) == file({keep("heavy"), keep("")}) && !fs::exists("heavy.shbl"));
  fs::remove(dir / "errors.shbl");
  EXPECT_EQ(run("Ok", "Up"), (dir / "errors.shbl").string() + " не открывается");
  EXPECT_EQ(state(), "errors.shbl >heavy.shbl | " + patternCaption(heavy, true) + " | " + heavy +
                         " heavy;;");
}

// No edit is lost without the question: Enter outside a push button asks
// it before it closes the window (Cancel keeps everything), and a Yes whose
// save fails keeps the window open. F5 lists the folder again.
TEST_F(MainWindowTest, EnterAndAFailedSaveKeepUnsavedEdits) {
  writeAll("p.shbl", file({keep("p")}));
  start();
  writeAll("q.shbl", file({keep("q")}));
  run("", "F5");  // the keys the menus show
  EXPECT_EQ(state(), "p.shbl q.shbl | Strovel  [p.shbl] | p.shbl p;");
  EXPECT_EQ(w->findChild<QAction*>("saveAsAction")->shortcut(), QKeySequence("Ctrl+Shift+S"));
  named<QLineEdit>(w.get(), "newPatternName")->setText("no/such");
  run("+1 Ok", "newPatternButton");  // its save fails: the rules stay, unsaved
  ui("newPatternName")->setFocus();
  EXPECT_EQ(run("Cancel", "Enter"), "Сохранить изменения в шаблоне no/such.shbl?");
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(run("Yes Ok", "Escape"),
            "Сохранить изменения в шаблоне no/such.shbl? / no/such.shbl не открывается");
  EXPECT_TRUE(w->isVisible());
  run("No", "Escape");
  EXPECT_FALSE(w->isVisible());
}

// A long run can be watched and stopped. The bar moves on through the
// phases of a sort, never back; while the run goes on the window's controls
// wait, disabled, and drops are refused; Escape stops it: the result being
// written is not put in place (the older file stays), the next file is not
// processed, one message says so, and the window is usable at once.
TEST_F(MainWindowTest, ALongRunShowsItsSortAndStopsOnEscape) {
  writeAll("sort.shbl", file({Rule{"[", "", "]", SortByElement, 1, 1}}));
  std::string big;
  for (long i = 0; i < 300000; ++i) big += "line [" + std::to_string(i * 7919 % 1000) + "] x\r\n";
  writeAll("big.txt", big);
  writeAll("small.txt", "b[2]\r\na[1]\r\n");
  start();
  const auto process = [&](bool stop, QStringList files) {
    std::vector<int> shown;
    bool stopped = false;
    answers.watch = [&](QObject* watched, QEvent* event) {
      auto* bar = named<QProgressBar>(w.get(), "progress");
      if (watched != bar || event->type() != QEvent::Paint) return;
      shown.push_back(bar->value());
      if (!stop || stopped || bar->value() < 60) return;
      stopped = true;
      EXPECT_FALSE(ui("processButton")->isEnabled() || ui("patternList")->isEnabled() ||
                   w->acceptDrops());
      QMetaObject::invokeMethod(
          w.get(), [this] { QTest::keyClick(w.get(), Qt::Key_Escape); }, Qt::QueuedConnection);
    };
    w->processFiles(files);
    answers.watch = nullptr;
    return shown;
  };
  const QString bigFile = QString::fromStdString((dir / "big.txt").string());
  const std::vector<int> shown = process(false, {bigFile});
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()) && shown.back() == 100);
  EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](int v) { return v > 50 && v < 99; }));
  writeAll("res_1.txt", "old");
  fs::remove("res_2.txt");
  answers.answer();
  process(true, {bigFile, QString::fromStdString((dir / "small.txt").string())});
  EXPECT_EQ(answers.messages, Strings{"Обработка остановлена"});
  EXPECT_TRUE(readAll("res_1.txt") == "old" && !fs::exists("res_2.txt"));
  EXPECT_TRUE(w->isVisible() && ui("processButton")->isEnabled() && w->acceptDrops());
}

}  // namespace
}  // namespace strovel
