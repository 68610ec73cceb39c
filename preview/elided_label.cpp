// Cutting the text to the label's width at every change of either.
#include "preview/elided_label.h"

#include <QResizeEvent>
#include <algorithm>

namespace strovel {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString& text) {
  full_ = text;
  fit();
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  fit();
}

void ElidedLabel::fit() {
  const QString shown =
      fontMetrics().elidedText(full_, Qt::ElideRight, std::max(0, contentsRect().width()));
  if (shown != text()) setText(shown);
  setToolTip(shown == full_ ? QString() : full_);
}

}  // namespace strovel
