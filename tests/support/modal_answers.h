// What the widget tests share: controls found by object name, rule lists
// written inline, and ModalAnswers, which answers the modal dialogs a test
// triggers. Each time a modal window (a message box, a file dialog, the
// editor) is shown, the next queued handler gets it. The dialog is caught by
// its own show event, not by polling for the active modal widget, so a
// dialog that becomes active again when one above it closes is never taken
// for a new one, however slow the machine. Handlers run from the dialog's
// own event loop, so the code under test calls exec() as it does for a user.
#pragma once

#include <QtTest>
#include <QtWidgets>

#include "support/memory_file_system.h"

namespace strovel {

template <class T = QWidget>
T* named(const QObject* parent, const char* name) {
  return parent->findChild<T*>(QLatin1String(name));
}

inline void click(const QObject* parent, const char* name) {
  QTest::mouseClick(named<QPushButton>(parent, name), Qt::LeftButton);
}

class ModalAnswers : public QObject {
 public:
  using Handler = std::function<void(QWidget* modal)>;
  ModalAnswers() { qApp->installEventFilter(this); }
  ~ModalAnswers() override { qApp->removeEventFilter(this); }
  void then(Handler handler) { handlers.push_back(std::move(handler)); }
  // Presses these buttons on the next message boxes, one each.
  void answer(std::initializer_list<QMessageBox::StandardButton> buttons = {QMessageBox::Ok}) {
    for (auto button : buttons) then([this, button](QWidget* modal) { settle(modal, button); });
  }
  // A box gets the button asked for and its text is recorded; anything else
  // is remembered and closed, so that the test does not hang.
  void settle(QWidget* modal, QMessageBox::StandardButton button) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box) messages.push_back(box->text().toStdString());
    if (box && button != QMessageBox::NoButton) return box->button(button)->click();
    unexpected.push_back(modal->metaObject()->className());
    modal->close();
  }

  QList<Handler> handlers;                       // queued for dialogs that have not come up yet
  std::vector<std::string> messages;             // texts of the boxes answered, in order
  std::vector<std::string> unexpected;           // modal windows nobody expected
  std::function<void(QObject*, QEvent*)> watch;  // sees every event of the application

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watch) watch(watched, event);
    auto* modal = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::Show || !modal || !modal->isWindow() || !modal->isModal())
      return false;
    Handler handler = [this](QWidget* modal) { settle(modal, QMessageBox::NoButton); };
    if (!handlers.empty()) handler = handlers.takeFirst();
    // Queued, so that it runs once the dialog's exec() has entered its loop.
    QMetaObject::invokeMethod(
        qApp, [handler, target = QPointer<QWidget>(modal)] { target ? handler(target) : void(); },
        Qt::QueuedConnection);
    return false;
  }
};

}  // namespace strovel
