// Dialog units from font metrics, as the template measures were meant.
#include "ui/dialog_units.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace strovel {

DialogUnits::DialogUnits(const QFont& font) : font_(font) {
  const QFontMetricsF metrics(font);
  const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  across_ = metrics.horizontalAdvance(alphabet) / alphabet.size() / 4.0;
  down_ = metrics.height() / 8.0;
}

void DialogUnits::fitText(int units, const QString& text, int padding) {
  const double needed = QFontMetricsF(font_).horizontalAdvance(text) + padding;
  across_ = std::max(across_, needed / units);
}

int DialogUnits::across(int units) const { return static_cast<int>(std::lround(units * across_)); }

int DialogUnits::down(int units) const { return static_cast<int>(std::lround(units * down_)); }

QRect DialogUnits::rect(int x, int y, int width, int height) const {
  const int left = across(x);
  const int top = down(y);
  return QRect(left, top, across(x + width) - left, down(y + height) - top);
}

QSize DialogUnits::size(int width, int height) const { return QSize(across(width), down(height)); }

}  // namespace strovel
