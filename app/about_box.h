// The About box: the product's name and version, English only.
#pragma once

#include <QDialog>

namespace strovel {

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace strovel
