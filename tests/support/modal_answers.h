// Answers the modal dialogs a widget test triggers: each time a modal
// widget (a message box, a file dialog, the editor) comes up, the next
// queued handler gets it. Handlers run from a timer, so the code under test
// can call exec() as it does for a user.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace strovel {

class ModalAnswers {
 public:
  using Handler = std::function<void(QWidget* modal)>;

  ModalAnswers() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
  }

  // Queues a handler for the next modal widget.
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
  std::vector<std::string> unexpected;  // modal widgets nobody expected

 private:
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == last_) return;
    last_ = modal;
    if (handlers_.empty()) {
      // Nothing queued: close it so the test does not hang, and remember.
      unexpected.push_back(modal->metaObject()->className());
      if (auto* box = qobject_cast<QMessageBox*>(modal))
        messages.push_back(box->text().toStdString());
      modal->close();
      return;
    }
    // Run outside the timer's own activation, so that the timer goes on
    // answering the dialogs a handler opens in turn.
    auto handler = std::make_shared<Handler>(std::move(handlers_.front()));
    handlers_.pop_front();
    QMetaObject::invokeMethod(
        qApp,
        [handler, target = QPointer<QWidget>(modal)] {
          if (target) (*handler)(target);
        },
        Qt::QueuedConnection);
  }

  QTimer timer_;
  std::deque<Handler> handlers_;
  QPointer<QWidget> last_;  // cleared when that widget is destroyed
};

}  // namespace strovel
