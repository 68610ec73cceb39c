// The two texts of the preview side by side in one scrolling view, so that
// both sides always scroll together: line numbers, the line texts through
// the interface's codec (control bytes such as CR and zero drawn as their
// control pictures, invalid bytes as U+FFFD, nothing dropped), the rows
// coloured by what happened to them and, in a changed row, the changed
// bytes highlighted. Only the rows on screen are ever converted or drawn,
// so a text of millions of lines opens and scrolls at once.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QPalette>
#include <optional>
#include <string_view>

#include "diff/text_diff.h"
#include "preview/alignment.h"

namespace strovel {

// A line's bytes as the preview shows them.
QString displayLine(std::string_view bytes);

// The colours of the rows (removed, added, changed, a side without a line,
// the current row) and of the changed bytes, made from a palette so that
// its text stays readable on every one of them.
struct PreviewColours {
  QColor removed, removedBytes, added, addedBytes, changed, missing, current;
};
PreviewColours previewColours(const QPalette& palette);
// The contrast ratio of two colours, 1 (the same) to 21 (black and white).
double contrast(const QColor& a, const QColor& b);

class PreviewView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  // The texts must outlive the view.
  PreviewView(std::string_view left, std::string_view right, QWidget* parent = nullptr);

  // Shows two other texts, unaligned until setRows; they must outlive the
  // view as the first did.
  void setTexts(std::string_view left, std::string_view right);
  void setRows(Alignment rows);
  const Alignment& rows() const { return rows_; }
  const TextLines& leftLines() const { return left_; }
  const TextLines& rightLines() const { return right_; }
  // Scrolls so that the row stands near the top and marks it as current.
  void showRow(std::size_t row);
  std::optional<std::size_t> currentRow() const { return current_; }
  std::size_t firstVisibleRow() const;
  // Where next / previous change move from: the current row while it is in
  // view, else the first row in view.
  std::size_t navigationRow() const;

 signals:
  // Alt+Down and Alt+Up in the view.
  void nextChangeAsked();
  void previousChangeAsked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void measureTexts();
  void updateScrollBars();
  // One side of a row: its line, if any, and what to mark in it.
  struct Side {
    const TextLines& lines;
    std::optional<std::size_t> line;
    bool isLeft;
    const std::vector<ByteRange>& changed;
    bool lineBreak;  // the line break is all that changed, and this side has it
  };
  void paintSide(QPainter& painter, int x, int width, int y, const Side& side,
                 Alignment::Kind kind);
  static std::pair<QString, std::vector<std::pair<int, int>>> markedLine(std::string_view bytes,
                                                                         const Side& side);

  TextLines left_;
  TextLines right_;
  Alignment rows_;
  PreviewColours colours_;
  std::optional<std::size_t> current_;
  int rowHeight_ = 1;
  int charWidth_ = 1;
  int gutter_ = 0;           // width of the line numbers
  std::size_t longest_ = 0;  // bytes of the longest line
};

}  // namespace strovel
