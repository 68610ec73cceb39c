// The preview window's controls and the worker that lines the sides up.
#include "preview/preview_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <thread>

#include "app/catalogue/catalogue.h"
#include "preview/preview_view.h"
#include "ui/ui_text.h"

namespace strovel {
namespace {

constexpr int kTitleId = 186;
constexpr int kWriteId = 188;
constexpr int kCloseId = 190;
constexpr int kPreviousId = 192;
constexpr int kNextId = 194;
constexpr int kChangesId = 196;
constexpr int kNoChangesId = 198;
constexpr int kSortedId = 200;
constexpr int kAligningId = 202;
constexpr int kTooLargeId = 204;
constexpr int kInputId = 206;
constexpr int kResultId = 208;

QString text(int russianId) { return toDisplay(localizedString(LanguageSelector{}, russianId)); }

}  // namespace

PreviewDialog::PreviewDialog(std::shared_ptr<const TrialResult> trial, bool reorders,
                             const std::string& inputName, bool canWrite, QWidget* parent)
    : QDialog(parent), trial_(std::move(trial)) {
  setObjectName(QStringLiteral("previewDialog"));
  setWindowTitle(toDisplay(formatText(localizedString(LanguageSelector{}, kTitleId), {inputName})));
  auto* summary = new QPlainTextEdit(this);
  summary->setObjectName(QStringLiteral("previewSummary"));
  summary->setReadOnly(true);
  summary->setLineWrapMode(QPlainTextEdit::NoWrap);
  QStringList lines;
  for (const std::string& line : trial_->statisticsLines) lines << displayLine(line);
  summary->setPlainText(lines.join(QLatin1Char('\n')));
  summary->setFixedHeight(summary->fontMetrics().lineSpacing() * 4 + 12);

  view_ = new PreviewView(trial_->input, trial_->result, this);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("previewStatus"));
  // A long note never widens the window.
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  const auto button = [this](const char* name, int id) {
    auto* b = new QPushButton(text(id), this);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
  };
  previous_ = button("previousChangeButton", kPreviousId);
  next_ = button("nextChangeButton", kNextId);
  previous_->setToolTip(QStringLiteral("Alt+Up"));
  next_->setToolTip(QStringLiteral("Alt+Down"));
  QPushButton* write = button("writeResultButton", kWriteId);
  write->setVisible(canWrite);
  QPushButton* close = button("closeButton", kCloseId);
  connect(previous_, &QPushButton::clicked, this, &PreviewDialog::previousChange);
  connect(next_, &QPushButton::clicked, this, &PreviewDialog::nextChange);
  connect(write, &QPushButton::clicked, this, &QDialog::accept);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  // The keys work wherever the focus is; the view also takes them itself.
  connect(view_, &PreviewView::nextChangeAsked, this, &PreviewDialog::nextChange);
  connect(view_, &PreviewView::previousChangeAsked, this, &PreviewDialog::previousChange);
  connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Down), this), &QShortcut::activated, this,
          &PreviewDialog::nextChange);
  connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Up), this), &QShortcut::activated, this,
          &PreviewDialog::previousChange);

  auto* headers = new QHBoxLayout;
  headers->addWidget(new QLabel(text(kInputId), this), 1);
  headers->addWidget(new QLabel(text(kResultId), this), 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(previous_);
  buttons->addWidget(next_);
  buttons->addWidget(status_, 1);
  buttons->addWidget(write);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary);
  layout->addLayout(headers);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);
  resize(1000, 640);

  if (reorders) {
    statusId_ = kSortedId;
  } else if (trial_->input.size() + trial_->result.size() > kAlignedBytes) {
    statusId_ = kTooLargeId;
  } else {
    statusId_ = kAligningId;
    aligning_ = std::make_shared<Aligning>();
    std::thread([state = aligning_, trial = trial_] {
      state->diff = diffLines(trial->input, trial->result, 0);
      state->done.store(true, std::memory_order_release);
    }).detach();
    poll_ = new QTimer(this);
    poll_->setInterval(20);
    connect(poll_, &QTimer::timeout, this, [this] {
      if (aligning_->done.load(std::memory_order_acquire)) alignmentDone();
    });
    poll_->start();
  }
  showStatus();
  view_->setFocus();
}

void PreviewDialog::waitForAlignment() {
  if (!aligning_) return;
  while (!aligning_->done.load(std::memory_order_acquire))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  alignmentDone();
}

void PreviewDialog::alignmentDone() {
  if (poll_) poll_->stop();
  if (statusId_ != kAligningId) return;
  const LineDiff& diff = aligning_->diff;
  statusId_ = diff.failed ? kTooLargeId : 0;
  if (!diff.failed)
    view_->setRows(Alignment::fromDiff(diff, view_->leftLines(), view_->rightLines()));
  aligning_.reset();
  showStatus();
  if (!view_->rows().changes().empty()) view_->showRow(view_->rows().changes().front());
}

void PreviewDialog::showStatus() {
  const auto& changes = view_->rows().changes();
  const bool navigable = statusId_ == 0 && !changes.empty();
  previous_->setEnabled(navigable);
  next_->setEnabled(navigable);
  if (statusId_ != 0) {
    status_->setText(text(statusId_));
    return;
  }
  if (changes.empty()) {
    status_->setText(text(kNoChangesId));
    return;
  }
  status_->setText(toDisplay(formatText(localizedString(LanguageSelector{}, kChangesId),
                                        {static_cast<std::uint64_t>(changes.size()),
                                         static_cast<std::uint64_t>(view_->rows().removedLines()),
                                         static_cast<std::uint64_t>(view_->rows().addedLines())})));
}

void PreviewDialog::nextChange() {
  const auto& rows = view_->rows();
  const std::optional<std::size_t> current = view_->currentRow();
  const std::optional<std::size_t> next =
      current ? rows.nextChange(*current)
              : (rows.changes().empty() ? std::nullopt
                                        : std::optional<std::size_t>(rows.changes().front()));
  if (next) view_->showRow(*next);
}

void PreviewDialog::previousChange() {
  const std::optional<std::size_t> current = view_->currentRow();
  if (!current) return;
  if (const std::optional<std::size_t> previous = view_->rows().previousChange(*current))
    view_->showRow(*previous);
}

}  // namespace strovel
