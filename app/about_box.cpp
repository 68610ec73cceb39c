// The About box: icon, name, version (the project's, from the build) and
// an OK button.
#include "app/about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace strovel {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("aboutBox"));
  setWindowTitle(QStringLiteral("About Strovel"));
  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/strovel.png")).pixmap(32, 32));
  auto* text = new QLabel(QStringLiteral("Strovel, version " STROVEL_SHORT_VERSION
                                         "\nEdits text files in batches by rules."),
                          this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

}  // namespace strovel
