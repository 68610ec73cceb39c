// The program's message boxes: the warning icon and the caption
// "kestrune", with the buttons each use needs. Texts come in as ANSI bytes
// (catalogue texts, paths). Notices from the core go through
// MessageBoxNotices, which silent mode mutes; the questions are never muted.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/notice.h"

namespace strovel {

void showMessage(QWidget* parent, const std::string& text);
QMessageBox::StandardButton askYesNoCancel(QWidget* parent, const std::string& text);
QMessageBox::StandardButton askOkCancel(QWidget* parent, const std::string& text);
// The command-line syntax, one fixed text in every language (F1).
void showSyntaxMessage(QWidget* parent);

// F1 anywhere in the program (the main window, the editor, the file
// dialogs, the About box, a message box), with none of Shift, Ctrl and Alt
// held, shows the command-line syntax over the window that has it. Lives as
// a filter on the application for as long as its owner; one syntax box at
// a time.
class SyntaxHelpKey : public QObject {
 public:
  explicit SyntaxHelpKey(QWidget* owner);
  ~SyntaxHelpKey() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* owner_;
  bool showing_ = false;
};

class MessageBoxNotices : public NoticeSink {
 public:
  explicit MessageBoxNotices(QWidget* parent) : parent_(parent) {}
  void setSilent(bool silent) { silent_ = silent; }
  bool silent() const { return silent_; }
  void notify(const Notice& notice) override;

 private:
  QWidget* parent_;
  bool silent_ = false;
  LanguageSelector language_;
};

}  // namespace strovel
