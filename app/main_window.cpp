// The main window: its controls and menus, and the commands behind them.
// Each command gathers its inputs, calls the part of the product that does
// the work, and shows the outcome.
#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <algorithm>
#include <new>

#include "app/about_box.h"
#include "app/dropped_files.h"
#include "app/pattern_list_box.h"
#include "editor/pattern_editor_dialog.h"
#include "patterns/pattern_library.h"
#include "patterns/pattern_order.h"
#include "platform/codepage.h"
#include "preview/preview_dialog.h"
#include "ui/dialog_units.h"
#include "ui/ui_text.h"

// The icon lives in a static library, whose resources must be registered
// by hand, from outside any namespace.
static void initResources() { Q_INIT_RESOURCE(strovel); }

namespace strovel {
namespace {

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

}  // namespace

MainWindow::MainWindow(FileSystem& files, QWidget* parent)
    : QDialog(parent),
      files_(files),
      notices_(this),
      runner_(
          files_, notices_, language_, [this](int percent) { setProgress(percent); },
          [] { QCoreApplication::processEvents(); }),
      opener_(openWithDesktopServices) {
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
  exitButton_ = button("exitButton", toDisplay(text(TextId::ExitButton)));
  patternList_ = new PatternListBox(this);
  editButton_ = button("editPatternButton", QStringLiteral("..."));
  processButton_ = button("processButton", toDisplay(text(TextId::ProcessButton)));
  newPatternButton_ = button("newPatternButton", toDisplay(text(TextId::NewPatternButton)));
  newPatternButton_->setEnabled(false);
  nameEdit_ = new QLineEdit(this);
  nameEdit_->setObjectName(QStringLiteral("newPatternName"));
  dosCheck_ = new QCheckBox(toDisplay(text(TextId::DosCheck)), this);
  dosCheck_->setObjectName(QStringLiteral("dosCheck"));
  statisticsCheck_ = new QCheckBox(toDisplay(text(TextId::StatisticsCheck)), this);
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
  // The object name and the handler of each command of the menus.
  const auto handler = [](MenuCommand command) -> std::pair<const char*, void (MainWindow::*)()> {
    switch (command) {
      case MenuCommand::RefreshPatternList:
        return {"refreshAction", &MainWindow::refreshPatternList};
      case MenuCommand::SavePattern:
        return {"saveAction", &MainWindow::savePatternCommand};
      case MenuCommand::SavePatternAs:
        return {"saveAsAction", &MainWindow::savePatternAs};
      case MenuCommand::OnlineHelp:
        return {"onlineHelpAction", &MainWindow::openOnlineHelp};
      case MenuCommand::CommandLineSyntax:
        break;
    }
    return {"syntaxAction", &MainWindow::showCommandLineSyntax};
  };
  menuBar_ = new QMenuBar(this);
  for (const MenuPopup& popup : mainMenu(language_)) {
    QMenu* menu = menuBar_->addMenu(QString::fromUtf8(popup.title.data(), popup.title.size()));
    for (const MenuItem& item : popup.items) {
      const auto [name, slot] = handler(item.command);
      QAction* action = menu->addAction(QString::fromUtf8(item.text.data(), item.text.size()));
      action->setObjectName(QString::fromLatin1(name));
      connect(action, &QAction::triggered, this, slot);
      addCommandExtras(menu, item.command, action);
    }
  }
}

// What the window adds to the menus: keys for the list and the saves, the
// preview after the save commands, F1 named beside the syntax command, and the About item at the
// end of Help, loaded by its own id and shown only with a text.
void MainWindow::addCommandExtras(QMenu* menu, MenuCommand command, QAction* action) {
  if (command == MenuCommand::RefreshPatternList) action->setShortcut(Qt::Key_F5);
  if (command == MenuCommand::SavePattern) action->setShortcut(Qt::CTRL | Qt::Key_S);
  if (command == MenuCommand::SavePatternAs) {
    action->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    menu->addSeparator();
    QAction* preview = menu->addAction(toDisplay(text(TextId::PreviewCommand)));
    preview->setObjectName(QStringLiteral("previewAction"));
    preview->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(preview, &QAction::triggered, this, &MainWindow::previewFile);
  }
  if (command != MenuCommand::CommandLineSyntax) return;
  // The key itself works in every window of the program through SyntaxHelpKey.
  action->setShortcut(QKeySequence(Qt::Key_F1));
  action->setShortcutContext(Qt::WidgetShortcut);
  const std::string about = loadString(TextId::AboutItem);
  if (about.empty()) return;
  menu->addSeparator();
  QAction* a = menu->addAction(toDisplay(about));
  a->setObjectName(QStringLiteral("aboutAction"));
  connect(a, &QAction::triggered, this, &MainWindow::showAbout);
}

void MainWindow::interactiveStart(const CommandLine& options, const std::string& patternName) {
  openResult_ = true;
  statisticsCheck_->setChecked(true);
  dosCheck_->setChecked(options.dosMode);
  notices_.setSilent(options.silentMode);
  refreshPatternList();
  if (patternList_->count() > 0) selectAndLoad(std::max(0, patternList_->entryOf(patternName)));
  exitButton_->setFocus();
}

void MainWindow::refreshPatternList() {
  patternList_->refill();
  processButton_->setEnabled(patternList_->count() > 0);
  if (patternList_->count() == 0) notices_.notify({TextId::NoPatternFiles, {}});
}

void MainWindow::selectPattern(int index) {
  if (index < 0) return;
  if (!settleUnsavedChanges()) {
    patternList_->restore();
    return;
  }
  selectAndLoad(index);
}

// Loads the entry's file, from the list's folder. When that fails the list
// shows the pattern in force again, so that it never names a pattern whose
// rules a run would not use.
bool MainWindow::selectAndLoad(int entry) {
  const bool loaded = loadAndShow(patternList_->pathOf(entry));
  patternList_->show(loaded ? entry : patternList_->entryOfPath(pattern_.currentPatternPath));
  return loaded;
}

// The current folder moves, as after a file dialog: a pattern loaded by a
// bare name keeps its file, under its full path.
void MainWindow::enterFolder(const QString& folder) {
  std::string& path = pattern_.currentPatternPath;
  if (!path.empty() && path.front() != '/') path = files_.absolutePath(path);
  QDir::setCurrent(folder);
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
  if (files_.canRead(name) && askOkCancel(this, text(TextId::PatternExists)) != QMessageBox::Ok)
    return;
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
  // Of several patterns listed none is selected; the new one is loaded.
  if (patternList_->count() == 1) {
    selectAndLoad(0);
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
      this, toDisplay(text(TextId::ChooseFile)), QString(),
      dialogFilter(text(TextId::PatternFileFilter)), nullptr, kFileDialogOptions);
  if (chosen.isEmpty()) return;
  enterFolder(QFileInfo(chosen).absolutePath());
  const std::string chosenPath = fromDisplayPath(chosen);
  const std::string path = withPatternExtension(chosenPath);
  // The dialog asked about the name it returned; the extension may name another file.
  if (path != chosenPath && files_.canRead(path) &&
      askOkCancel(this, text(TextId::PatternExists)) != QMessageBox::Ok)
    return;
  savePattern(pattern_, path, files_, notices_);
  refreshPatternList();
}

void MainWindow::chooseAndProcessFiles() {
  const QStringList chosen = QFileDialog::getOpenFileNames(
      this, toDisplay(text(TextId::ChooseFile)), QString(),
      dialogFilter(text(TextId::InputFileFilter)), nullptr, kFileDialogOptions);
  processFiles(chosen);
}

void MainWindow::processFiles(const QStringList& paths) {
  if (paths.isEmpty()) return;
  lastInput_ = paths.first();
  // As after any file dialog: results with a relative name land beside the inputs.
  enterFolder(QFileInfo(paths.first()).absolutePath());
  std::vector<std::string> inputs;
  for (const QString& path : paths) inputs.push_back(fromDisplayPath(path));
  setRunning(true);
  runner_.processFiles(pattern_.rules, inputs, runOptions(), opener_, lastRun_);
  setRunning(false);
}

// While a run goes on the window answers only Escape, the close box and
// F1: its controls, its commands and drops wait, shown disabled. It is
// drawn whole at once, over what a file dialog left.
void MainWindow::setRunning(bool running) {
  for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (control != progress_) control->setEnabled(!running);
  for (QAction* action : menuBar_->findChildren<QAction*>())
    if (!action->menu()) action->setEnabled(!running);
  setAcceptDrops(!running);
  if (running) {
    repaint();
  } else {
    processButton_->setEnabled(patternList_->count() > 0);
    newPatternButton_->setEnabled(!nameEdit_->text().isEmpty());
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
  return QFileDialog::getOpenFileName(this, toDisplay(text(TextId::ChooseFile)), lastInput_,
                                      dialogFilter(text(TextId::InputFileFilter)), nullptr,
                                      kFileDialogOptions);
}

void MainWindow::previewFile() {
  const QString path = choosePreviewInput();
  if (!path.isEmpty() && showPreview(pattern_.rules, path, true)) processFiles({path});
}

void MainWindow::previewRules(const RuleList& rules) {
  const QString path = choosePreviewInput();
  if (!path.isEmpty()) showPreview(rules, path, false);
}

// The preview writes nothing and leaves the current folder where it was;
// "Write result" then processes the file as "Choose and process" does.
bool MainWindow::showPreview(const RuleList& rules, const QString& path, bool canWrite) {
  lastInput_ = path;
  std::optional<TrialResult> trial = runner_.trial(rules, fromDisplayPath(path), runOptions());
  if (!trial) return false;
  PreviewDialog preview(std::make_shared<const TrialResult>(std::move(*trial)),
                        {rules, files_.absolutePath(fromDisplayPath(path)), runOptions()},
                        fromDisplayPath(QFileInfo(path).fileName()), canWrite, this);
  return preview.exec() == QDialog::Accepted && canWrite;
}

// Files dropped on the window: a pattern file becomes the current pattern,
// in its own folder, as when it is opened from the file manager; the other
// files are processed as if chosen in the file dialog, in the order dropped.
void MainWindow::dragEnterEvent(QDragEnterEvent* event) { takeAsCopy(event); }

void MainWindow::dragMoveEvent(QDragMoveEvent* event) { takeAsCopy(event); }

void MainWindow::dropEvent(QDropEvent* event) {
  if (!takeAsCopy(event)) return;
  const DroppedFiles files = droppedFiles(*event->mimeData());
  if (!files.pattern.isEmpty() && !openDroppedPattern(files.pattern)) return;
  processFiles(files.inputs);
}

bool MainWindow::openDroppedPattern(const QString& path) {
  if (!settleUnsavedChanges()) return false;
  const QFileInfo file(path);
  enterFolder(file.absolutePath());
  refreshPatternList();
  const std::string name = fromDisplayPath(file.fileName());
  const int entry = patternList_->entryOf(name);
  return entry >= 0 ? selectAndLoad(entry) : loadAndShow(name);
}

void MainWindow::setProgress(int percent) {
  // Repaint only when what the bar shows changes: a run over a million
  // lines reports far more often than the bar can change.
  if (progress_->value() == percent) return;
  progress_->setValue(percent);
  repaint();
}

void MainWindow::openOnlineHelp() { opener_(text(TextId::OnlineHelpAddress)); }

void MainWindow::showCommandLineSyntax() { showSyntaxMessage(this); }

void MainWindow::showAbout() {
  AboutBox about(this);
  about.exec();
}

bool MainWindow::settleUnsavedChanges() {
  if (!pattern_.patternModified) return true;
  const std::string question =
      formatText(text(TextId::SaveChangesQuestion), {pattern_.currentPatternPath});
  switch (askYesNoCancel(this, question)) {
    case QMessageBox::Yes:
      return savePattern(pattern_, pattern_.currentPatternPath, files_, notices_);
    case QMessageBox::No:
      return true;
    default:
      return false;
  }
}

// Exit, Escape and the close box; during a run they stop it.
void MainWindow::reject() {
  if (runner_.running()) return runner_.stop();
  if (settleUnsavedChanges()) QDialog::reject();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (runner_.running() && event->key() != Qt::Key_Escape) return;
  if (enter) {
    // Enter presses the push button that has the focus; anywhere else it
    // closes the window as OK does: at once, unless there are unsaved
    // changes to ask about first.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      button->click();
    } else if (settleUnsavedChanges()) {
      accept();
    }
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace strovel
