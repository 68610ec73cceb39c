// Painting the visible rows of both sides. The font is fixed-width, so a
// column of characters is a column of pixels and long lines are cut to the
// visible columns before they are drawn.
#include "preview/preview_view.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "platform/codepage.h"
#include "ui/ui_text.h"

namespace strovel {
namespace {

const QColor kRemoved(255, 224, 224);
const QColor kRemovedBytes(255, 170, 170);
const QColor kAdded(224, 255, 224);
const QColor kAddedBytes(150, 230, 150);
const QColor kChanged(255, 245, 204);
const QColor kMissing(238, 238, 238);
const QColor kCurrent(120, 150, 230);

std::size_t longestLine(const TextLines& lines) {
  std::size_t longest = 0;
  for (std::size_t i = 0; i < lines.count(); ++i) longest = std::max(longest, lines.line(i).size());
  return longest;
}

}  // namespace

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
  const std::size_t most = std::max(left_.count(), right_.count());
  gutter_ = charWidth_ * (static_cast<int>(std::to_string(most).size()) + 2);
  longest_ = std::max(longestLine(left_), longestLine(right_));
  setFocusPolicy(Qt::StrongFocus);
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
    if (r.kind == Alignment::Kind::Changed)
      changes = lineChanges(left_.line(*r.left), right_.line(*r.right), utf8);
    paintSide(painter, 0, half, y, left_, r.left, r.kind, true, &changes.before);
    paintSide(painter, half, viewport()->width() - half, y, right_, r.right, r.kind, false,
              &changes.after);
    if (current_ && *current_ == row) {
      painter.setPen(kCurrent);
      painter.drawLine(0, y, viewport()->width(), y);
    }
  }
  painter.setPen(palette().mid().color());
  painter.drawLine(half, 0, half, viewport()->height());
}

void PreviewView::paintSide(QPainter& painter, int x, int width, int y, const TextLines& lines,
                            std::optional<std::size_t> line, Alignment::Kind kind, bool isLeft,
                            const std::vector<ByteRange>* changed) {
  using Kind = Alignment::Kind;
  const QRect rowRect(x, y, width, rowHeight_);
  painter.save();
  painter.setClipRect(rowRect);
  if (!line) {
    painter.fillRect(rowRect, kind == Kind::Unaligned ? palette().base().color() : kMissing);
    painter.restore();
    return;
  }
  const QColor background = kind == Kind::Changed   ? kChanged
                            : kind == Kind::Removed ? kRemoved
                            : kind == Kind::Added   ? kAdded
                                                    : palette().base().color();
  painter.fillRect(rowRect, background);
  painter.setPen(palette().placeholderText().color());
  painter.drawText(QRect(x, y, gutter_ - charWidth_, rowHeight_), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(*line + 1));

  // The line's text, and the columns of its changed bytes.
  const std::string_view bytes = lines.line(*line);
  QString text;
  std::vector<std::pair<int, int>> marked;
  std::size_t done = 0;
  for (const ByteRange& range : *changed) {
    text += displayLine(bytes.substr(done, range.from - done));
    const int from = static_cast<int>(text.size());
    text += displayLine(bytes.substr(range.from, range.to - range.from));
    marked.emplace_back(from, static_cast<int>(text.size()));
    done = range.to;
  }
  text += displayLine(bytes.substr(done));
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
                     isLeft ? kRemovedBytes : kAddedBytes);
  }
  painter.setPen(palette().text().color());
  painter.drawText(left, y + metrics.ascent() + (rowHeight_ - metrics.height()) / 2, visible);
  painter.restore();
}

}  // namespace strovel
