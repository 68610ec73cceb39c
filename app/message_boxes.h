// The program's message boxes: the warning icon and the caption
// "kestrune", with the buttons each use needs. Texts come in as ANSI bytes
// (catalogue texts, paths). Notices from the core go through
// MessageBoxNotices, which silent mode mutes; the questions are never muted.
#pragma once

#include <QMessageBox>
#include <string>

#include "app/catalogue/catalogue.h"
#include "app/catalogue/notice.h"

namespace strovel {

void showMessage(QWidget* parent, const std::string& text);
QMessageBox::StandardButton askYesNoCancel(QWidget* parent, const std::string& text);
QMessageBox::StandardButton askOkCancel(QWidget* parent, const std::string& text);
// The command-line syntax, one fixed text in every language (F1).
void showSyntaxMessage(QWidget* parent);

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
