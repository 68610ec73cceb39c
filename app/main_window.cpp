// The main window: its controls and menus, and the commands behind them.
// Each command gathers its inputs, calls the part of the product that does
// the work, and shows the outcome.
#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <new>

#include "app/about_box.h"
#include "editor/pattern_editor_dialog.h"
#include "engine/output_name.h"
#include "engine/processing_run.h"
#include "engine/trial_run.h"
#include "patterns/pattern_library.h"
#include "platform/codepage.h"
#include "preview/preview_dialog.h"
#include "ui/dialog_units.h"
#include "ui/ui_text.h"

// The icon lives in a static library, whose resources must be registered
// by hand, from outside any namespace.
static void initResources() { Q_INIT_RESOURCE(strovel); }

namespace strovel {
namespace {

// The menus in both languages (resources 130 and 133; same commands).
struct MenuTexts {
  const char* file;
  const char* refresh;
  const char* save;
  const char* saveAs;
  const char* help;
  const char* onlineHelp;
  const char* syntax;
};
constexpr MenuTexts kRussianMenu = {"Файл",
                                    "Обновить список шаблонов",
                                    "Сохранить шаблон",
                                    "Сохранить шаблон как",
                                    "Помощь",
                                    "On-line help",
                                    "Показать синтаксис командной строки"};
constexpr MenuTexts kEnglishMenu = {
    "File", "Update pattern list", "Save pattern",          "Save pattern as",
    "Help", "On-line help",        "Comand line parameters"};

// Qt's own file dialog everywhere: it speaks the interface's language and
// hands F1 to the program like every other window.
constexpr QFileDialog::Options kFileDialogOptions = QFileDialog::DontUseNativeDialog;

void openWithDesktopServices(const std::string& target) {
  const QString text = toDisplayPath(target);
  const QUrl url = text.contains(QStringLiteral("://"))
                       ? QUrl(text)
                       : QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
  QDesktopServices::openUrl(url);
}

// A run's link back to the window, for progress and the finished result.
class WindowRunEnvironment : public RunEnvironment {
 public:
  WindowRunEnvironment(FileSystem& files, NoticeSink& notices, const LanguageSelector& language,
                       std::function<void(int)> progress, int pauseMs,
                       const std::function<void(const std::string&)>& opener)
      : files_(files),
        notices_(notices),
        language_(language),
        progress_(std::move(progress)),
        pauseMs_(pauseMs),
        opener_(opener) {}
  FileSystem& files() override { return files_; }
  NoticeSink& notices() override { return notices_; }
  const LanguageSelector& language() override { return language_; }
  void progress(int percent) override { progress_(percent); }
  void resultWritten() override {
    if (pauseMs_ > 0) QThread::msleep(static_cast<unsigned long>(pauseMs_));
  }
  void openResult(const std::string& path) override { opener_(path); }

 private:
  FileSystem& files_;
  NoticeSink& notices_;
  const LanguageSelector& language_;
  std::function<void(int)> progress_;
  int pauseMs_;
  const std::function<void(const std::string&)>& opener_;
};

}  // namespace

MainWindow::MainWindow(FileSystem& files, QWidget* parent)
    : QDialog(parent), files_(files), notices_(this), opener_(openWithDesktopServices) {
  initResources();
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(QStringLiteral("Strovel"));
  setWindowIcon(QIcon(QStringLiteral(":/strovel.png")));
  // A caption with the system menu, a minimise box and a close box; the
  // window keeps its size.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  loadQtTranslations(language_.language());
  setAcceptDrops(true);
  new SyntaxHelpKey(this);
  buildControls();
  buildMenu();
  placeControls();
}

void MainWindow::buildControls() {
  auto button = [this](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    // No push button here is a default button: Enter outside a button
    // closes the window, so none may be framed as the one Enter presses.
    b->setAutoDefault(false);
    return b;
  };
  exitButton_ = button("exitButton", toDisplay(text(134)));
  patternList_ = new QComboBox(this);
  patternList_->setObjectName(QStringLiteral("patternList"));
  // A long name is cut in the box instead of widening it.
  patternList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  patternList_->setMinimumContentsLength(1);
  editButton_ = button("editPatternButton", QStringLiteral("..."));
  processButton_ = button("processButton", toDisplay(text(132)));
  newPatternButton_ = button("newPatternButton", toDisplay(text(178)));
  newPatternButton_->setEnabled(false);
  nameEdit_ = new QLineEdit(this);
  nameEdit_->setObjectName(QStringLiteral("newPatternName"));
  dosCheck_ = new QCheckBox(toDisplay(text(136)), this);
  dosCheck_->setObjectName(QStringLiteral("dosCheck"));
  statisticsCheck_ = new QCheckBox(toDisplay(text(138)), this);
  statisticsCheck_->setObjectName(QStringLiteral("statisticsCheck"));
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setFocusPolicy(Qt::NoFocus);
  // Created in the tab order of the template.
  QWidget::setTabOrder(exitButton_, patternList_);
  QWidget::setTabOrder(patternList_, editButton_);
  QWidget::setTabOrder(editButton_, processButton_);
  QWidget::setTabOrder(processButton_, newPatternButton_);
  QWidget::setTabOrder(newPatternButton_, nameEdit_);
  QWidget::setTabOrder(nameEdit_, dosCheck_);
  QWidget::setTabOrder(dosCheck_, statisticsCheck_);

  connect(exitButton_, &QPushButton::clicked, this, &MainWindow::reject);
  connect(patternList_, &QComboBox::activated, this, &MainWindow::selectPattern);
  connect(editButton_, &QPushButton::clicked, this, &MainWindow::editCurrentPattern);
  connect(processButton_, &QPushButton::clicked, this, &MainWindow::chooseAndProcessFiles);
  connect(newPatternButton_, &QPushButton::clicked, this, &MainWindow::createPattern);
  connect(nameEdit_, &QLineEdit::textChanged, this,
          [this](const QString& name) { newPatternButton_->setEnabled(!name.isEmpty()); });
}

// The controls at their template positions below the menu bar; the window
// has the template's fixed size.
void MainWindow::placeControls() {
  DialogUnits units(font());
  const int buttonPadding = 2 * style()->pixelMetric(QStyle::PM_ButtonMargin) + 8;
  const int checkPadding = style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                           style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing) + 4;
  units.fitText(50, exitButton_->text(), buttonPadding);
  units.fitText(143, processButton_->text(), buttonPadding);
  units.fitText(68, newPatternButton_->text(), buttonPadding);
  units.fitText(49, dosCheck_->text(), checkPadding);
  units.fitText(201, statisticsCheck_->text(), checkPadding);
  const int top = menuBar_->sizeHint().height();
  const auto place = [&](QWidget* widget, int x, int y, int width, int height) {
    widget->setGeometry(units.rect(x, y, width, height).translated(0, top));
  };
  place(exitButton_, 158, 24, 50, 14);
  place(patternList_, 7, 7, 65, 14);
  place(editButton_, 75, 8, 11, 11);
  place(processButton_, 7, 24, 143, 34);
  place(newPatternButton_, 140, 7, 68, 14);
  place(nameEdit_, 94, 7, 40, 14);
  place(dosCheck_, 158, 47, 49, 10);
  place(progress_, 7, 74, 201, 14);
  place(statisticsCheck_, 7, 60, 201, 10);
  const QSize client = units.size(215, 95);
  menuBar_->setGeometry(0, 0, client.width(), top);
  setFixedSize(client.width(), client.height() + top);
}

void MainWindow::buildMenu() {
  const MenuTexts& texts =
      language_.language() == LanguageSelector::kRussian ? kRussianMenu : kEnglishMenu;
  menuBar_ = new QMenuBar(this);
  auto action = [this](QMenu* menu, const char* name, const char* caption, auto slot) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QMenu* file = menuBar_->addMenu(QString::fromUtf8(texts.file));
  action(file, "refreshAction", texts.refresh, &MainWindow::refreshPatternList);
  action(file, "saveAction", texts.save, &MainWindow::savePatternCommand);
  action(file, "saveAsAction", texts.saveAs, &MainWindow::savePatternAs);
  file->addSeparator();
  QAction* preview = file->addAction(toDisplay(text(184)));
  preview->setObjectName(QStringLiteral("previewAction"));
  preview->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  connect(preview, &QAction::triggered, this, &MainWindow::previewFile);
  QMenu* help = menuBar_->addMenu(QString::fromUtf8(texts.help));
  action(help, "onlineHelpAction", texts.onlineHelp, &MainWindow::openOnlineHelp);
  // The menu names F1; the key itself works in every window of the program
  // through SyntaxHelpKey.
  QAction* syntax = action(help, "syntaxAction", texts.syntax, &MainWindow::showCommandLineSyntax);
  syntax->setShortcut(QKeySequence(Qt::Key_F1));
  syntax->setShortcutContext(Qt::WidgetShortcut);
  // The About item is loaded by its own id and appears only with a text.
  const std::string about = loadString(101);
  if (!about.empty()) {
    help->addSeparator();
    QAction* a = help->addAction(toDisplay(about));
    a->setObjectName(QStringLiteral("aboutAction"));
    connect(a, &QAction::triggered, this, &MainWindow::showAbout);
  }
}

void MainWindow::interactiveStart(const CommandLine& options, const std::string& patternName) {
  openResult_ = true;
  statisticsCheck_->setChecked(true);
  dosCheck_->setChecked(options.dosMode);
  notices_.setSilent(options.silentMode);
  refreshPatternList();
  if (patternList_->count() > 0) {
    const QByteArray wanted(patternName.data(), static_cast<qsizetype>(patternName.size()));
    const int entry = std::max(0, patternList_->findData(wanted));
    patternList_->setCurrentIndex(entry);
    shownEntry_ = entry;
    loadAndShow(patternList_->itemData(entry).toByteArray().toStdString());
  }
  exitButton_->setFocus();
}

void MainWindow::refreshPatternList() {
  std::vector<std::string> names = findPatternFiles(".");
  std::vector<std::pair<QString, std::string>> entries;
  // Shown through the same codec as the caption and the messages.
  for (std::string& name : names) entries.emplace_back(toDisplay(name), std::move(name));
  // The list is sorted alphabetically, ignoring case.
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    const int c = QString::compare(a.first, b.first, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.second < b.second;
  });
  patternList_->clear();
  for (const auto& [shown, name] : entries)
    patternList_->addItem(shown, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
  patternList_->setCurrentIndex(-1);
  shownEntry_ = -1;
  processButton_->setEnabled(!entries.empty());
  if (entries.empty()) notices_.notify({162, {}});
}

void MainWindow::selectPattern(int index) {
  if (index < 0) return;
  if (!settleUnsavedChanges()) {
    patternList_->setCurrentIndex(shownEntry_);
    return;
  }
  shownEntry_ = index;
  loadAndShow(patternList_->itemData(index).toByteArray().toStdString());
}

bool MainWindow::loadAndShow(const std::string& path) {
  if (!loadPattern(pattern_, path, files_, notices_)) return false;
  setWindowTitle(toDisplay(patternCaption(path, ansiIsUtf8())));
  return true;
}

void MainWindow::editCurrentPattern() {
  if (patternList_->currentIndex() < 0) return;
  PatternEditorDialog editor(pattern_.rules, false, this);
  editor.setPreview([this](const RuleList& rules) { previewRules(rules); });
  if (editor.exec() != QDialog::Accepted) return;
  pattern_.rules = editor.rules();
  pattern_.patternModified = true;
}

void MainWindow::createPattern() {
  if (!settleUnsavedChanges()) return;
  const std::string name = fromDisplay(nameEdit_->text()) + kPatternExtension;
  if (files_.canRead(name) && askOkCancel(this, text(168)) != QMessageBox::Ok) return;
  PatternEditorDialog editor(RuleList{}, true, this);
  editor.setPreview([this](const RuleList& rules) { previewRules(rules); });
  if (editor.exec() != QDialog::Accepted) return;
  pattern_.rules = editor.rules();
  if (!savePattern(pattern_, name, files_, notices_)) {
    // The typed rules stay the current pattern, under the name tried, so
    // that no later save can land on the pattern that was current before.
    pattern_.currentPatternPath = name;
    pattern_.patternModified = true;
    setWindowTitle(toDisplay(patternCaption(name, ansiIsUtf8())));
    refreshPatternList();
    return;
  }
  refreshPatternList();
  if (patternList_->count() == 1) {
    patternList_->setCurrentIndex(0);
    shownEntry_ = 0;
    loadAndShow(patternList_->itemData(0).toByteArray().toStdString());
  } else {
    loadAndShow(name);
  }
}

void MainWindow::savePatternCommand() {
  if (!pattern_.currentPatternPath.empty())
    savePattern(pattern_, pattern_.currentPatternPath, files_, notices_);
}

void MainWindow::savePatternAs() {
  const QString chosen = QFileDialog::getSaveFileName(
      this, toDisplay(text(172)), QString(), dialogFilter(text(170)), nullptr, kFileDialogOptions);
  if (chosen.isEmpty()) return;
  QDir::setCurrent(QFileInfo(chosen).absolutePath());
  const std::string chosenPath = fromDisplayPath(chosen);
  const std::string path = withPatternExtension(chosenPath);
  // The dialog asked about the name it returned; the extension may name another file.
  if (path != chosenPath && files_.canRead(path) && askOkCancel(this, text(168)) != QMessageBox::Ok)
    return;
  savePattern(pattern_, path, files_, notices_);
  refreshPatternList();
}

void MainWindow::chooseAndProcessFiles() {
  const QStringList chosen = QFileDialog::getOpenFileNames(
      this, toDisplay(text(172)), QString(), dialogFilter(text(142)), nullptr, kFileDialogOptions);
  processFiles(chosen);
}

void MainWindow::processFiles(const QStringList& paths) {
  if (paths.isEmpty()) return;
  lastInput_ = paths.first();
  // As after any file dialog: results with a relative name land beside the inputs.
  QDir::setCurrent(QFileInfo(paths.first()).absolutePath());
  // No event loop runs until the last result is written: the window is
  // drawn whole now, over what the file dialog left.
  repaint();
  const RunOptions options = runOptions();
  WindowRunEnvironment environment(
      files_, notices_, language_, [this](int percent) { setProgress(percent); }, finishPauseMs_,
      opener_);
  int runNumber = 1;
  for (const QString& path : paths) {
    try {
      processFile(pattern_.rules, fromDisplayPath(path), runNumber, options, environment,
                  statisticsLines_);
    } catch (const std::bad_alloc&) {
      // A file too big for memory: its result is not created (an old one
      // stays), the next files are still processed.
      notices_.notify({160, formatOutputName(options.outputNameTemplate, runNumber)});
    }
    ++runNumber;
  }
}

RunOptions MainWindow::runOptions() const {
  RunOptions options;
  options.dosMode = dosCheck_->isChecked();
  options.statistics = statisticsCheck_->isChecked();
  options.openResult = openResult_;
  options.outputNameTemplate = outputNameTemplate_;
  return options;
}

// The file to preview; the file chosen last is offered again.
QString MainWindow::choosePreviewInput() {
  return QFileDialog::getOpenFileName(this, toDisplay(text(172)), lastInput_,
                                      dialogFilter(text(142)), nullptr, kFileDialogOptions);
}

void MainWindow::previewFile() {
  const QString path = choosePreviewInput();
  if (!path.isEmpty() && showPreview(pattern_.rules, path, true)) processFiles({path});
}

void MainWindow::previewRules(const RuleList& rules) {
  const QString path = choosePreviewInput();
  if (!path.isEmpty()) showPreview(rules, path, false);
}

bool MainWindow::showPreview(const RuleList& rules, const QString& path, bool canWrite) {
  QDir::setCurrent(QFileInfo(path).absolutePath());
  lastInput_ = path;
  const RunOptions options = runOptions();
  std::optional<TrialResult> trial;
  {
    WindowRunEnvironment environment(
        files_, notices_, language_, [this](int percent) { setProgress(percent); }, 0, opener_);
    try {
      trial = trialRun(rules, fromDisplayPath(path), options, environment);
    } catch (const std::bad_alloc&) {
      notices_.notify({160, formatOutputName(options.outputNameTemplate, 1)});
    }
  }
  setProgress(0);  // nothing was written
  if (!trial) return false;
  const bool reorders = std::any_of(rules.begin(), rules.end(), [](const Rule& rule) {
    return rule.ActionType == SortByElement || rule.ActionType == SortDistinct;
  });
  PreviewDialog preview(std::make_shared<const TrialResult>(std::move(*trial)), reorders,
                        fromDisplayPath(QFileInfo(path).fileName()), canWrite, this);
  return preview.exec() == QDialog::Accepted && canWrite;
}

// Files dropped on the window: a pattern file becomes the current pattern,
// in its own folder, as when it is opened from the file manager; the other
// files are processed as if chosen in the file dialog, in the order dropped.
void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); }))
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList inputs;
  QString pattern;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    if (path.endsWith(QString::fromLatin1(kPatternExtension))) {
      if (pattern.isEmpty()) pattern = path;
    } else {
      inputs << path;
    }
  }
  event->acceptProposedAction();
  if (!pattern.isEmpty() && !openDroppedPattern(pattern)) return;
  processFiles(inputs);
}

bool MainWindow::openDroppedPattern(const QString& path) {
  if (!settleUnsavedChanges()) return false;
  const QFileInfo file(path);
  QDir::setCurrent(file.absolutePath());
  refreshPatternList();
  const std::string name = fromDisplayPath(file.fileName());
  const int entry =
      patternList_->findData(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
  if (entry >= 0) {
    patternList_->setCurrentIndex(entry);
    shownEntry_ = entry;
  }
  return loadAndShow(name);
}

void MainWindow::setProgress(int percent) {
  // Repaint only when what the bar shows changes: a run over a million
  // lines reports far more often than the bar can change.
  if (progress_->value() == percent) return;
  progress_->setValue(percent);
  repaint();
}

void MainWindow::openOnlineHelp() { opener_(text(176)); }

void MainWindow::showCommandLineSyntax() { showSyntaxMessage(this); }

void MainWindow::showAbout() {
  AboutBox about(this);
  about.exec();
}

bool MainWindow::settleUnsavedChanges() {
  if (!pattern_.patternModified) return true;
  const std::string question = formatText(text(174), {pattern_.currentPatternPath});
  switch (askYesNoCancel(this, question)) {
    case QMessageBox::Yes:
      return savePattern(pattern_, pattern_.currentPatternPath, files_, notices_);
    case QMessageBox::No:
      return true;
    default:
      return false;
  }
}

void MainWindow::reject() {
  if (settleUnsavedChanges()) QDialog::reject();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter) {
    // Enter presses the push button that has the focus; anywhere else it
    // closes the window without the question, as OK does.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      button->click();
    } else {
      accept();
    }
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace strovel
