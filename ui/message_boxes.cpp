// Modal Qt message boxes with the program's caption and icon.
#include "ui/message_boxes.h"

#include <QApplication>
#include <QKeyEvent>

#include "platform/codepage.h"
#include "ui/ui_text.h"

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

SyntaxHelpKey::SyntaxHelpKey(QWidget* owner) : QObject(owner), owner_(owner) {
  qApp->installEventFilter(this);
}

SyntaxHelpKey::~SyntaxHelpKey() { qApp->removeEventFilter(this); }

bool SyntaxHelpKey::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  const auto& key = static_cast<const QKeyEvent&>(*event);
  const Qt::KeyboardModifiers held = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
  if (key.key() != Qt::Key_F1 || (key.modifiers() & held)) return false;
  if (!showing_) {
    showing_ = true;
    QWidget* over = QApplication::activeModalWidget();
    if (!over) over = QApplication::activeWindow();
    showSyntaxMessage(over ? over : owner_);
    showing_ = false;
  }
  return true;
}

void MessageBoxNotices::notify(const Notice& notice) {
  if (!silent_) showMessage(parent_, renderNotice(language_, notice));
}

}  // namespace strovel
