// Painting the visible rows of both sides. The font is fixed-width, so a
// column of characters is a column of pixels and long lines are cut to the
// visible columns before they are drawn.
#include "preview/preview_view.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "platform/codepage.h"
#include "ui/ui_text.h"

namespace strovel {
namespace {

// Rows take a hue mixed into the palette's base colour: as much of it as
// leaves the palette's text readable (a contrast of 4.5 to 1 at least), so
// that light and dark palettes both show the hues and both read well.
constexpr double kLeastContrast = 4.5;

double luminance(const QColor& c) {
  const auto channel = [](double v) {
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

QColor mixed(const QColor& base, const QColor& hue, double share) {
  const auto mix = [share](float a, float b) { return a + (b - a) * static_cast<float>(share); };
  return QColor::fromRgbF(mix(base.redF(), hue.redF()), mix(base.greenF(), hue.greenF()),
                          mix(base.blueF(), hue.blueF()));
}

QColor readableMix(const QPalette& palette, const QColor& hue, double share) {
  const QColor base = palette.color(QPalette::Base), text = palette.color(QPalette::Text);
  QColor colour = mixed(base, hue, share);
  while (share > 0.05 && contrast(colour, text) < kLeastContrast)
    colour = mixed(base, hue, share -= 0.05);
  return colour;
}

std::size_t longestLine(const TextLines& lines) {
  std::size_t longest = 0;
  for (std::size_t i = 0; i < lines.count(); ++i) longest = std::max(longest, lines.line(i).size());
  return longest;
}

}  // namespace

double contrast(const QColor& a, const QColor& b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

PreviewColours previewColours(const QPalette& palette) {
  const QColor red(220, 40, 40), green(30, 170, 50), yellow(230, 180, 0);
  return {
      readableMix(palette, red, 0.2),     readableMix(palette, red, 0.4),
      readableMix(palette, green, 0.2),   readableMix(palette, green, 0.4),
      readableMix(palette, yellow, 0.22), readableMix(palette, palette.color(QPalette::Text), 0.08),
      palette.color(QPalette::Highlight)};
}

QString displayLine(std::string_view bytes) {
  QString shown;
  std::size_t run = 0;  // start of the bytes not yet converted
  for (std::size_t i = 0; i <= bytes.size(); ++i) {
    const unsigned char c = i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
    const bool control = i < bytes.size() && (c < 0x20 || c == 0x7F);
    if (!control && i < bytes.size()) continue;
    shown += toDisplay(bytes.substr(run, i - run));
    if (control) shown += QChar(c == 0x7F ? 0x2421 : 0x2400 + c);
    run = i + 1;
  }
  return shown;
}

PreviewView::PreviewView(std::string_view left, std::string_view right, QWidget* parent)
    : QAbstractScrollArea(parent),
      left_(left),
      right_(right),
      rows_(Alignment::unaligned(left_.count(), right_.count())) {
  setObjectName(QStringLiteral("previewView"));
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  setFont(font);
  const QFontMetrics metrics(font);
  rowHeight_ = std::max(1, metrics.lineSpacing());
  charWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
  setFocusPolicy(Qt::StrongFocus);
  colours_ = previewColours(palette());
  measureTexts();
}

void PreviewView::setTexts(std::string_view left, std::string_view right) {
  left_ = TextLines(left);
  right_ = TextLines(right);
  rows_ = Alignment::unaligned(left_.count(), right_.count());
  current_.reset();
  measureTexts();
  verticalScrollBar()->setValue(0);
  viewport()->update();
}

void PreviewView::measureTexts() {
  const std::size_t most = std::max(left_.count(), right_.count());
  gutter_ = charWidth_ * (static_cast<int>(std::to_string(most).size()) + 2);
  longest_ = std::max(longestLine(left_), longestLine(right_));
  updateScrollBars();
}

void PreviewView::setRows(Alignment rows) {
  rows_ = std::move(rows);
  current_.reset();
  updateScrollBars();
  viewport()->update();
}

std::size_t PreviewView::firstVisibleRow() const {
  return static_cast<std::size_t>(verticalScrollBar()->value());
}

std::size_t PreviewView::navigationRow() const {
  const std::size_t first = firstVisibleRow();
  const auto visible = static_cast<std::size_t>(std::max(1, viewport()->height() / rowHeight_));
  if (current_ && *current_ >= first && *current_ < first + visible) return *current_;
  return first;
}

void PreviewView::showRow(std::size_t row) {
  current_ = row;
  const int visible = viewport()->height() / rowHeight_;
  verticalScrollBar()->setValue(static_cast<int>(row) - std::min(3, visible / 4));
  viewport()->update();
}

void PreviewView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollBars();
}

void PreviewView::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::AltModifier && event->key() == Qt::Key_Down) {
    emit nextChangeAsked();
  } else if (event->modifiers() == Qt::AltModifier && event->key() == Qt::Key_Up) {
    emit previousChangeAsked();
  } else {
    QAbstractScrollArea::keyPressEvent(event);
  }
}

void PreviewView::updateScrollBars() {
  const int visible = std::max(1, viewport()->height() / rowHeight_);
  const std::size_t rows = rows_.rows();
  verticalScrollBar()->setRange(
      0, static_cast<int>(std::min<std::size_t>(
             rows > static_cast<std::size_t>(visible) ? rows - visible : 0, INT32_MAX)));
  verticalScrollBar()->setPageStep(visible);
  verticalScrollBar()->setSingleStep(1);
  const int sideText = viewport()->width() / 2 - gutter_;
  const long long wide = static_cast<long long>(longest_ + 1) * charWidth_;
  horizontalScrollBar()->setRange(
      0, static_cast<int>(std::clamp<long long>(wide - sideText, 0, INT32_MAX)));
  horizontalScrollBar()->setPageStep(std::max(1, sideText));
  horizontalScrollBar()->setSingleStep(charWidth_ * 4);
}

void PreviewView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) colours_ = previewColours(palette());
}

void PreviewView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), palette().base());
  const int half = viewport()->width() / 2;
  const bool utf8 = ansiIsUtf8();
  const std::size_t first = firstVisibleRow();
  for (std::size_t row = first; row < rows_.rows(); ++row) {
    const int y = static_cast<int>(row - first) * rowHeight_;
    if (y >= viewport()->height()) break;
    const Alignment::Row r = rows_.row(row);
    LineChanges changes;
    bool leftBreak = false, rightBreak = false;
    if (r.kind == Alignment::Kind::Changed) {
      changes = lineChanges(left_.line(*r.left), right_.line(*r.right), utf8);
      // A last line that gained or lost its line break shows the break.
      leftBreak = right_.lacksNewline(*r.right) && !left_.lacksNewline(*r.left);
      rightBreak = left_.lacksNewline(*r.left) && !right_.lacksNewline(*r.right);
    }
    paintSide(painter, 0, half, y, {left_, r.left, true, changes.before, leftBreak}, r.kind);
    paintSide(painter, half, viewport()->width() - half, y,
              {right_, r.right, false, changes.after, rightBreak}, r.kind);
    if (current_ && *current_ == row) {
      painter.setPen(colours_.current);
      painter.drawLine(0, y, viewport()->width(), y);
    }
  }
  painter.setPen(palette().mid().color());
  painter.drawLine(half, 0, half, viewport()->height());
}

// The line's text as shown, and the columns of its changed bytes.
std::pair<QString, std::vector<std::pair<int, int>>> PreviewView::markedLine(std::string_view bytes,
                                                                             const Side& side) {
  QString text;
  std::vector<std::pair<int, int>> marked;
  std::size_t done = 0;
  for (const ByteRange& range : side.changed) {
    text += displayLine(bytes.substr(done, range.from - done));
    const int from = static_cast<int>(text.size());
    text += displayLine(bytes.substr(range.from, range.to - range.from));
    marked.emplace_back(from, static_cast<int>(text.size()));
    done = range.to;
  }
  text += displayLine(bytes.substr(done));
  if (side.lineBreak) {
    marked.emplace_back(static_cast<int>(text.size()), static_cast<int>(text.size()) + 1);
    text += QChar(0x240A);  // the picture of LF
  }
  return {text, marked};
}

void PreviewView::paintSide(QPainter& painter, int x, int width, int y, const Side& side,
                            Alignment::Kind kind) {
  using Kind = Alignment::Kind;
  const QRect rowRect(x, y, width, rowHeight_);
  painter.save();
  painter.setClipRect(rowRect);
  if (!side.line) {
    painter.fillRect(rowRect,
                     kind == Kind::Unaligned ? palette().base().color() : colours_.missing);
    painter.restore();
    return;
  }
  const QColor background = kind == Kind::Changed   ? colours_.changed
                            : kind == Kind::Removed ? colours_.removed
                            : kind == Kind::Added   ? colours_.added
                                                    : palette().base().color();
  painter.fillRect(rowRect, background);
  painter.setPen(palette().placeholderText().color());
  painter.drawText(QRect(x, y, gutter_ - charWidth_, rowHeight_), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(*side.line + 1));

  const auto [text, marked] = markedLine(side.lines.line(*side.line), side);
  const int textX = x + gutter_;
  painter.setClipRect(QRect(textX, y, width - gutter_, rowHeight_));
  const int firstColumn = horizontalScrollBar()->value() / charWidth_;
  const int columns = (width - gutter_) / charWidth_ + 2;
  const int shift = horizontalScrollBar()->value() - firstColumn * charWidth_;
  // Measured on the text drawn: a fixed-width font's advance need not be
  // a whole number of pixels.
  const QFontMetrics metrics(font());
  const QString visible = text.mid(firstColumn, columns);
  const int left = textX - shift;
  for (const auto& [markFrom, markTo] : marked) {
    const int from = std::max(markFrom, firstColumn) - firstColumn;
    const int to = std::min(markTo, firstColumn + columns) - firstColumn;
    if (to <= from) continue;
    const int fromX = left + metrics.horizontalAdvance(visible.left(from));
    const int toX = left + metrics.horizontalAdvance(visible.left(to));
    painter.fillRect(QRect(fromX, y, toX - fromX, rowHeight_),
                     side.isLeft ? colours_.removedBytes : colours_.addedBytes);
  }
  painter.setPen(palette().text().color());
  painter.drawText(left, y + metrics.ascent() + (rowHeight_ - metrics.height()) / 2, visible);
  painter.restore();
}

}  // namespace strovel
