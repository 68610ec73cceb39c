// The preview window on its own: colours that read on light and dark
// palettes, a last line whose only change is its line break, the status
// cut to fit, the change keys moving from the row in view, and a pattern
// stepped through one rule at a time.
#include "preview/preview_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "preview/elided_label.h"
#include "preview/preview_view.h"
#include "support/file_bytes.h"
#include "support/modal_answers.h"

namespace strovel {
namespace {

namespace fs = std::filesystem;

class Quiet : public NoticeSink {
 public:
  void notify(const Notice&) override {}
};

QPalette darkPalette() {
  QPalette dark;
  dark.setColor(QPalette::Base, QColor(30, 30, 30));
  dark.setColor(QPalette::Text, QColor(225, 225, 225));
  dark.setColor(QPalette::Window, QColor(45, 45, 45));
  dark.setColor(QPalette::WindowText, QColor(225, 225, 225));
  return dark;
}

QPalette lightPalette() {
  QPalette light;
  light.setColor(QPalette::Base, Qt::white);
  light.setColor(QPalette::Text, Qt::black);
  return light;
}

// The view of two texts, lined up, drawn into an image.
struct Drawn {
  explicit Drawn(const std::string& before, const std::string& after,
                 const QPalette& palette = lightPalette())
      : left(before), right(after), view(left, right) {
    view.setPalette(palette);
    view.resize(600, 200);
    const TextLines l(left), r(right);
    view.setRows(Alignment::fromDiff(diffLines(left, right, 0), l, r));
    image = view.viewport()->grab().toImage();
  }
  // The colours in the row, on one side.
  QSet<QRgb> colours(int row, bool leftSide) {
    const int height = view.fontMetrics().lineSpacing();
    QSet<QRgb> seen;
    const int half = image.width() / 2;
    for (int x = leftSide ? 0 : half + 1; x < (leftSide ? half : image.width()); ++x)
      for (int y = row * height + 1; y < (row + 1) * height - 1; ++y) seen << image.pixel(x, y);
    return seen;
  }
  std::string left, right;
  PreviewView view;
  QImage image;
};

TEST(PreviewDialogTest, ColoursReadOnLightAndDarkPalettesAndALineBreakChangeShows) {
  for (const QPalette& palette : {lightPalette(), darkPalette()}) {
    const PreviewColours c = previewColours(palette);
    const QColor text = palette.color(QPalette::Text), base = palette.color(QPalette::Base);
    for (const QColor& background :
         {c.removed, c.removedBytes, c.added, c.addedBytes, c.changed, c.missing}) {
      EXPECT_GE(contrast(background, text), 4.5) << background.name().toStdString();
      EXPECT_NE(background, base);
    }
    EXPECT_NE(c.removed, c.added);
    // As drawn: the changed row's background, beside the palette's text.
    Drawn drawn("same\nold word\n", "same\nnew word\n", palette);
    const QColor rowColour = QColor(
        drawn.image.pixel(drawn.image.width() / 2 - 3, drawn.view.fontMetrics().lineSpacing() + 3));
    EXPECT_GE(contrast(rowColour, text), 4.5) << rowColour.name().toStdString();
  }

  // Only the last line's break changed: the side that has it shows it
  // marked; a line with no change of its own shows no mark.
  const QRgb added = previewColours(lightPalette()).addedBytes.rgb();
  const QRgb removed = previewColours(lightPalette()).removedBytes.rgb();
  Drawn gained("a\nlast", "a\nlast\n");
  EXPECT_EQ(gained.view.rows().row(1).kind, Alignment::Kind::Changed);
  EXPECT_TRUE(gained.colours(1, false).contains(added));
  EXPECT_FALSE(gained.colours(1, true).contains(removed));
  Drawn lost("a\nlast\n", "a\nlast");
  EXPECT_TRUE(lost.colours(1, true).contains(removed));
  EXPECT_FALSE(lost.colours(1, false).contains(added));
}

class PreviewDialogSteps : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("strovel-preview-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    input = (dir / "in.txt").string();
  }
  void TearDown() override { fs::remove_all(dir); }
  std::unique_ptr<PreviewDialog> open(const RuleList& rules) {
    Quiet quiet;
    const RunEnvironment environment(diskFileSystem(), quiet);
    std::optional<TrialResult> trial = trialRun(rules, input, RunOptions{}, environment);
    EXPECT_TRUE(trial);
    auto dialog =
        std::make_unique<PreviewDialog>(std::make_shared<const TrialResult>(std::move(*trial)),
                                        PreviewSteps{rules, input, {}}, "in.txt", false);
    dialog->show();
    dialog->waitForAlignment();
    return dialog;
  }
  static std::string sides(PreviewDialog& dialog) {
    auto* view = dialog.findChild<PreviewView*>();
    return std::string(view->leftLines().text()) + "|" + std::string(view->rightLines().text());
  }
  static QString summary(PreviewDialog& dialog) {
    return named<QPlainTextEdit>(&dialog, "previewSummary")->toPlainText();
  }
  fs::path dir;
  std::string input;
};

// The keys move from the row in view, not from the change last visited;
// the status shows what fits and the whole text as its tooltip.
TEST_F(PreviewDialogSteps, ChangeKeysMoveFromTheRowInViewAndTheStatusFits) {
  std::string text;
  for (int i = 0; i < 3000; ++i)
    text += (i % 100 == 50 ? "x " : "line ") + std::to_string(i) + "\n";
  writeAll(input, text);
  auto dialog = open(rulesOf({Rule{"x", "", "y", Replace, 1, 1}}));
  auto* view = dialog->findChild<PreviewView*>();
  EXPECT_EQ(view->currentRow(), 50u);  // the first change
  view->verticalScrollBar()->setValue(1500);
  QTest::keyClick(view, Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(view->currentRow(), 1550u);
  view->verticalScrollBar()->setValue(2000);
  QTest::keyClick(view, Qt::Key_Up, Qt::AltModifier);
  EXPECT_EQ(view->currentRow(), 1950u);
  QTest::keyClick(view, Qt::Key_Up, Qt::AltModifier);  // the current row is in view
  EXPECT_EQ(view->currentRow(), 1850u);

  auto* status = named<ElidedLabel>(dialog.get(), "previewStatus");
  const QString full = "Изменений: 30 (строк удалено: 30, добавлено: 30)";
  EXPECT_EQ(status->fullText(), full);
  // Narrower until the status no longer has room for the whole text.
  const int needed = status->fontMetrics().horizontalAdvance(full);
  for (int width = 1400; width > 400 && status->width() >= needed; width -= 20) {
    dialog->resize(width, 400);
    QCoreApplication::processEvents();
  }
  ASSERT_LT(status->width(), needed);
  EXPECT_TRUE(status->text().endsWith(QChar(0x2026))) << status->text().toStdString();
  EXPECT_EQ(status->toolTip(), full);
  EXPECT_LE(status->fontMetrics().horizontalAdvance(status->text()), status->width());
  dialog->resize(1400, 400);
  QCoreApplication::processEvents();
  EXPECT_EQ(status->text(), full);
  EXPECT_EQ(status->toolTip(), "");
}

// Each rule alone: the text before it beside the text after it, with its
// own summary line; the whole pattern again; a step that cannot be tried
// says why; a pattern of one rule has no steps to choose.
TEST_F(PreviewDialogSteps, StepsShowEachRuleBetweenTheTextsBeforeAndAfterIt) {
  writeAll(input, "x one\ngone\nx two\n");
  const RuleList rules =
      rulesOf({Rule{"x", "", "y", Replace, 1, 1}, Rule{"gone", "", "", DeleteLinesWith, 1, 1},
               Rule{"y", "", "z", Replace, 1, 1}});
  auto dialog = open(rules);
  auto* step = named<QComboBox>(dialog.get(), "previewStep");
  ASSERT_EQ(step->count(), 4);
  EXPECT_TRUE(step->isVisible());
  EXPECT_EQ(step->itemText(0), "Весь шаблон");
  EXPECT_EQ(step->itemText(2), "Правило 2 из 3");
  EXPECT_EQ(sides(*dialog), "x one\ngone\nx two\n|z one\nz two\n");
  const QString whole = summary(*dialog);

  step->setCurrentIndex(2);
  EXPECT_EQ(named<ElidedLabel>(dialog.get(), "previewStatus")->fullText(),
            "Пробный прогон правил до выбранного...");
  dialog->waitForAlignment();
  EXPECT_EQ(sides(*dialog), "y one\ngone\ny two\n|y one\ny two\n");
  EXPECT_EQ(summary(*dialog), "Удалять строки, содержащие \"gone\" - удалено строк - 1");
  EXPECT_EQ(named<ElidedLabel>(dialog.get(), "previewStatus")->fullText(),
            "Изменений: 1 (строк удалено: 1, добавлено: 0)");
  // A choice made while another is still being tried wins.
  step->setCurrentIndex(1);
  step->setCurrentIndex(3);
  dialog->waitForAlignment();
  EXPECT_EQ(sides(*dialog), "y one\ny two\n|z one\nz two\n");
  EXPECT_EQ(summary(*dialog), "Замена \"y\" на \"z\" - замен - 2");
  step->setCurrentIndex(0);
  dialog->waitForAlignment();
  EXPECT_EQ(sides(*dialog), "x one\ngone\nx two\n|z one\nz two\n");
  EXPECT_EQ(summary(*dialog), whole);
  EXPECT_FALSE(fs::exists(dir / "res_1.txt"));

  fs::remove(input);
  step->setCurrentIndex(1);
  dialog->waitForAlignment();
  EXPECT_TRUE(named<ElidedLabel>(dialog.get(), "previewStatus")
                  ->fullText()
                  .startsWith(QString::fromStdString(input)));
  EXPECT_EQ(sides(*dialog), "|");
  EXPECT_FALSE(named<QPushButton>(dialog.get(), "nextChangeButton")->isEnabled());

  writeAll(input, "x\n");
  EXPECT_FALSE(named<QComboBox>(open(rulesOf({rules.at(0)})).get(), "previewStep")->isVisible());
  // Closed while a step is still tried: the worker gives up on its own.
  writeAll(input, std::string(4 << 20, 'x'));
  auto closing = open(rules);
  named<QComboBox>(closing.get(), "previewStep")->setCurrentIndex(3);
  closing.reset();
}

}  // namespace
}  // namespace strovel
