// MainWindow: the program's one window. It holds the current pattern and
// the run settings, and wires the controls and menus to the work, which
// lives elsewhere: pattern files and the library in patterns/, the
// processing run in engine/, the editor in editor/. Widgets carry object
// names so that tests find and drive them.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/window_runner.h"
#include "catalogue/catalogue.h"
#include "catalogue/menus.h"
#include "engine/processing_run.h"
#include "patterns/pattern_file.h"
#include "platform/file_system.h"
#include "ui/message_boxes.h"

class QCheckBox;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLineEdit;
class QMenu;
class QAction;
class QMenuBar;
class QProgressBar;
class QPushButton;

namespace strovel {

class PatternListBox;

class MainWindow : public QDialog {
  Q_OBJECT

 public:
  explicit MainWindow(FileSystem& files = diskFileSystem(), QWidget* parent = nullptr);

  // The interactive start: options from the command line, the pattern list
  // filled and an entry loaded: the one named `patternName` when the list
  // holds it (a pattern file opened from the file manager), else the first.
  void interactiveStart(const CommandLine& options, const std::string& patternName = {});

  // The commands, as the controls and menus run them.
  void refreshPatternList();
  void selectPattern(int index);
  void editCurrentPattern();
  void createPattern();
  void savePatternCommand();
  void savePatternAs();
  void chooseAndProcessFiles();
  // Processes the files in order with run numbers 1, 2, 3 ... (the run of
  // the file dialog and of files dropped on the window).
  void processFiles(const QStringList& paths);
  // The preview of the current pattern on a chosen file; "Write result"
  // then processes that file.
  void previewFile();
  // The preview of rules not yet handed back (the editor's); it writes nothing.
  void previewRules(const RuleList& rules);
  void openOnlineHelp();
  void showCommandLineSyntax();
  void showAbout();

  const PatternState& pattern() const { return pattern_; }
  const RunSummary& lastRun() const { return lastRun_; }
  // Where results and the help page go (the desktop by default).
  void setOpener(std::function<void(const std::string&)> opener) { opener_ = std::move(opener); }
  // The pause after each result is written, so that the full progress bar
  // can be seen; 500 ms by default.
  void setFinishPause(int milliseconds) { runner_.setFinishPause(milliseconds); }

  void reject() override;  // Exit, Escape: the closing check

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void buildControls();
  void buildMenu();
  void placeControls();
  // Asks about unsaved changes; false when the user cancelled or the save
  // they asked for failed, so the pending command must not go on.
  bool settleUnsavedChanges();
  bool selectAndLoad(int entry);
  void setRunning(bool running);
  void enterFolder(const QString& folder);
  bool loadAndShow(const std::string& path);
  void addCommandExtras(QMenu* menu, MenuCommand command, QAction* action);
  bool openDroppedPattern(const QString& path);
  RunOptions runOptions() const;
  QString choosePreviewInput();
  bool showPreview(const RuleList& rules, const QString& path, bool canWrite);
  void setProgress(int percent);
  std::string text(TextId id) const { return localizedString(language_, id); }

  FileSystem& files_;
  LanguageSelector language_;
  MessageBoxNotices notices_;
  WindowRunner runner_;
  PatternState pattern_;
  RunSummary lastRun_;  // what the rules of the last processing run did
  std::string outputNameTemplate_ = "res_%d.txt";
  bool openResult_ = false;
  std::function<void(const std::string&)> opener_;
  QString lastInput_;  // the file processed or previewed last

  QMenuBar* menuBar_ = nullptr;
  PatternListBox* patternList_ = nullptr;
  QPushButton* editButton_ = nullptr;
  QPushButton* processButton_ = nullptr;
  QPushButton* newPatternButton_ = nullptr;
  QLineEdit* nameEdit_ = nullptr;
  QPushButton* exitButton_ = nullptr;
  QCheckBox* dosCheck_ = nullptr;
  QCheckBox* statisticsCheck_ = nullptr;
  QProgressBar* progress_ = nullptr;
};

}  // namespace strovel
