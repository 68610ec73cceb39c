// Answers the modal dialogs a widget test triggers: each time a modal
// window (a message box, a file dialog, the editor) is shown, the next
// queued handler gets it. The dialog is caught by its own show event, not
// by polling for the active modal widget, so a dialog that becomes active
// again when one above it closes is never taken for a new one, however slow
// the machine. Handlers run from the dialog's own event loop, so the code
// under test calls exec() as it does for a user.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace strovel {

class ModalAnswers : public QObject {
 public:
  using Handler = std::function<void(QWidget* modal)>;

  ModalAnswers() { qApp->installEventFilter(this); }
  ~ModalAnswers() override { qApp->removeEventFilter(this); }

  // Queues a handler for the next modal window.
  void then(Handler handler) { handlers_.push_back(std::move(handler)); }

  // Queues pressing `button` on the next message box and records its text.
  void answerMessage(QMessageBox::StandardButton button = QMessageBox::Ok) {
    then([this, button](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (!box) {
        unexpected.push_back(modal->metaObject()->className());
        modal->close();
        return;
      }
      messages.push_back(box->text().toStdString());
      box->button(button)->click();
    });
  }

  bool allAnswered() const { return handlers_.empty(); }

  std::vector<std::string> messages;    // texts of the boxes answered, in order
  std::vector<std::string> unexpected;  // modal windows nobody expected

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
      auto* widget = static_cast<QWidget*>(watched);
      if (widget->isWindow() && widget->isModal()) answer(widget);
    }
    return false;
  }

 private:
  void answer(QWidget* modal) {
    Handler handler;
    if (handlers_.empty()) {
      // Nothing queued: close it so the test does not hang, and remember.
      handler = [this](QWidget* widget) {
        unexpected.push_back(widget->metaObject()->className());
        if (auto* box = qobject_cast<QMessageBox*>(widget))
          messages.push_back(box->text().toStdString());
        widget->close();
      };
    } else {
      handler = std::move(handlers_.front());
      handlers_.pop_front();
    }
    // Queued, so that it runs once the dialog's exec() has entered its loop.
    auto shared = std::make_shared<Handler>(std::move(handler));
    QMetaObject::invokeMethod(
        qApp,
        [shared, target = QPointer<QWidget>(modal)] {
          if (target) (*shared)(target);
        },
        Qt::QueuedConnection);
  }

  std::deque<Handler> handlers_;
};

}  // namespace strovel
