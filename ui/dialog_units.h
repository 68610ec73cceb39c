// Dialog units, the measure of the window templates: a quarter of the
// average character width across and an eighth of the character height
// down, in the dialog's font. Controls are placed at their template
// positions, so each window keeps its template's fixed size and proportions
// whatever the font. Where a control's text would not fit its template
// width at that scale, the unit is widened for the whole dialog.
//
//   DialogUnits units(dialog->font());
//   units.fitText(50, button->text(), 16);   // 50 units must hold the caption
//   button->setGeometry(units.rect(158, 24, 50, 14));
//   dialog->setFixedSize(units.size(215, 95));
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

namespace strovel {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  // Widens the unit so that `units` across hold `text` plus `padding` pixels.
  void fitText(int units, const QString& text, int padding);
  QRect rect(int x, int y, int width, int height) const;
  QSize size(int width, int height) const;
  int across(int units) const;
  int down(int units) const;

 private:
  QFont font_;
  double across_;  // pixels per unit
  double down_;
};

}  // namespace strovel
