// Modal Qt message boxes with the program's caption and icon.
#include "app/message_boxes.h"

#include "app/ui_text.h"
#include "platform/codepage.h"

namespace strovel {
namespace {

QMessageBox::StandardButton ask(QWidget* parent, const std::string& text,
                                QMessageBox::StandardButtons buttons) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("kestrune"), toDisplay(text), buttons,
                  parent);
  box.setObjectName(QStringLiteral("messageBox"));
  box.setTextFormat(Qt::PlainText);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void showMessage(QWidget* parent, const std::string& text) { ask(parent, text, QMessageBox::Ok); }

QMessageBox::StandardButton askYesNoCancel(QWidget* parent, const std::string& text) {
  return ask(parent, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

QMessageBox::StandardButton askOkCancel(QWidget* parent, const std::string& text) {
  return ask(parent, text, QMessageBox::Ok | QMessageBox::Cancel);
}

void showSyntaxMessage(QWidget* parent) {
  showMessage(parent, utf8ToAnsi("Синтаксис командной строки: \n"
                                 "kestrune +open +dos +stat in_file=\"name1\" out_file=\"name2\" "
                                 "templet=\"name3\""));
}

void MessageBoxNotices::notify(const Notice& notice) {
  if (!silent_) showMessage(parent_, renderNotice(language_, notice));
}

}  // namespace strovel
