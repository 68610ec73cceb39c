// A one-line label for a status that may be longer than the room it has:
// it shows as much of the text as fits, cut with an ellipsis, and then the
// whole text as its tooltip. It never asks for more width than it is given.
//
//   auto* status = new ElidedLabel(this);
//   status->setFullText(tr("A long note ..."));
#pragma once

#include <QLabel>

namespace strovel {

class ElidedLabel : public QLabel {
 public:
  explicit ElidedLabel(QWidget* parent = nullptr);

  void setFullText(const QString& text);
  const QString& fullText() const { return full_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void fit();

  QString full_;
};

}  // namespace strovel
