// The preview window's controls and the worker that lines the sides up.
#include "preview/preview_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <thread>

#include "preview/elided_label.h"
#include "preview/preview_view.h"
#include "ui/ui_text.h"

namespace strovel {

PreviewDialog::PreviewDialog(std::shared_ptr<const TrialResult> trial, PreviewSteps steps,
                             const std::string& inputName, bool canWrite, QWidget* parent)
    : QDialog(parent), whole_(trial), trial_(std::move(trial)), steps_(std::move(steps)) {
  setObjectName(QStringLiteral("previewDialog"));
  setWindowTitle(
      toDisplay(formatText(localizedString(language_, TextId::PreviewTitle), {inputName})));
  QWidget* summary = buildSummary();
  view_ = new PreviewView(trial_->input, trial_->result, this);
  auto* headers = new QHBoxLayout;
  headers->addWidget(new QLabel(text(TextId::InputHeader), this), 1);
  headers->addWidget(new QLabel(text(TextId::ResultHeader), this), 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buildStepChoice());
  layout->addWidget(summary);
  layout->addLayout(headers);
  layout->addWidget(view_, 1);
  layout->addLayout(buildButtons(canWrite));
  resize(1000, 640);
  poll_ = new QTimer(this);
  poll_->setInterval(20);
  connect(poll_, &QTimer::timeout, this, &PreviewDialog::poll);
  showTrial(trial_, sortingRules(steps_.rules) > 0);
  view_->setFocus();
}

PreviewDialog::~PreviewDialog() {
  if (stepping_) stepping_->stop();
  if (aligning_) aligning_->cancelled.store(true, std::memory_order_relaxed);
}

QString PreviewDialog::text(TextId id) const { return toDisplay(localizedString(language_, id)); }

// The summary lines of the rules shown, four lines high.
QWidget* PreviewDialog::buildSummary() {
  summary_ = new QPlainTextEdit(this);
  summary_->setObjectName(QStringLiteral("previewSummary"));
  summary_->setReadOnly(true);
  summary_->setLineWrapMode(QPlainTextEdit::NoWrap);
  summary_->setFixedHeight(summary_->fontMetrics().lineSpacing() * 4 + 12);
  return summary_;
}

// The choice of step, for a pattern of several rules, above the summary.
QLayout* PreviewDialog::buildStepChoice() {
  step_ = new QComboBox(this);
  step_->setObjectName(QStringLiteral("previewStep"));
  step_->addItem(text(TextId::WholePatternStep));
  const auto count = static_cast<std::uint64_t>(steps_.rules.size());
  for (std::uint64_t k = 1; k <= count; ++k)
    step_->addItem(toDisplay(formatText(localizedString(language_, TextId::RuleStep), {k, count})));
  step_->setVisible(count > 1);
  connect(step_, &QComboBox::currentIndexChanged, this, &PreviewDialog::showStep);
  auto* row = new QHBoxLayout;
  row->addWidget(step_);
  row->addStretch(1);
  return row;
}

// The row under the sides: the changes before and after, the status, Write
// and Close; the change keys work wherever the focus is.
QLayout* PreviewDialog::buildButtons(bool canWrite) {
  // A long note never widens the window; it is cut to fit.
  status_ = new ElidedLabel(this);
  status_->setObjectName(QStringLiteral("previewStatus"));
  const auto button = [this](const char* name, TextId id) {
    auto* b = new QPushButton(text(id), this);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
  };
  previous_ = button("previousChangeButton", TextId::PreviousChangeButton);
  next_ = button("nextChangeButton", TextId::NextChangeButton);
  previous_->setToolTip(QStringLiteral("Alt+Up"));
  next_->setToolTip(QStringLiteral("Alt+Down"));
  QPushButton* write = button("writeResultButton", TextId::WriteResultButton);
  write->setVisible(canWrite);
  QPushButton* close = button("closeButton", TextId::CloseButton);
  connect(previous_, &QPushButton::clicked, this, &PreviewDialog::previousChange);
  connect(next_, &QPushButton::clicked, this, &PreviewDialog::nextChange);
  connect(write, &QPushButton::clicked, this, &QDialog::accept);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  // The view takes the keys itself too.
  connect(view_, &PreviewView::nextChangeAsked, this, &PreviewDialog::nextChange);
  connect(view_, &PreviewView::previousChangeAsked, this, &PreviewDialog::previousChange);
  connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Down), this), &QShortcut::activated, this,
          &PreviewDialog::nextChange);
  connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Up), this), &QShortcut::activated, this,
          &PreviewDialog::previousChange);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(previous_);
  buttons->addWidget(next_);
  buttons->addWidget(status_, 1);
  buttons->addWidget(write);
  buttons->addWidget(close);
  return buttons;
}

// Any step being tried or lined up is given up; the whole pattern is
// shown at once, a single rule once it has been tried.
void PreviewDialog::showStep(int step) {
  if (step_->currentIndex() != step) {
    step_->setCurrentIndex(step);  // which comes back here
    return;
  }
  if (stepping_) stepping_->stop();
  stepping_.reset();
  failure_.reset();
  if (step <= 0) {
    showTrial(whole_, sortingRules(steps_.rules) > 0);
    return;
  }
  const auto rule = static_cast<std::size_t>(step - 1);
  if (rule >= steps_.rules.size()) return;
  stepping_ = StepTrial::start(steps_, rule);
  if (aligning_) aligning_->cancelled.store(true, std::memory_order_relaxed);
  aligning_.reset();
  note_ = TextId::StepRunningStatus;
  showStatus();
  poll_->start();
}

void PreviewDialog::stepDone() {
  std::shared_ptr<StepTrial> done = std::move(stepping_);
  if (done->trial) {
    const std::size_t rule = static_cast<std::size_t>(step_->currentIndex() - 1);
    RuleList one;
    one.append(steps_.rules.at(rule));
    showTrial(std::make_shared<const TrialResult>(std::move(*done->trial)), sortingRules(one) > 0);
    return;
  }
  failure_ = done->failure;  // none when stopped, which a later choice did
  note_.reset();
  summary_->clear();
  view_->setTexts({}, {});
  showStatus();
}

// The texts and summary of a trial, unaligned until the worker lines them
// up.
void PreviewDialog::showTrial(std::shared_ptr<const TrialResult> trial, bool reorders) {
  trial_ = std::move(trial);
  QStringList lines;
  forEachSummaryLine(trial_->summary, language_,
                     [&](std::string_view line) { lines << displayLine(line); });
  summary_->setPlainText(lines.join(QLatin1Char('\n')));
  view_->setTexts(trial_->input, trial_->result);
  startAligning(reorders);
  showStatus();
}

// A sort's result and a text too large are shown unaligned; any other is
// diffed and lined up on a worker thread that owns what it needs (the
// trial, its own line index), and the window polls for the end.
void PreviewDialog::startAligning(bool reorders) {
  if (aligning_) aligning_->cancelled.store(true, std::memory_order_relaxed);
  aligning_.reset();
  note_.reset();
  if (reorders) {
    note_ = TextId::SortedStatus;
    return;
  }
  if (trial_->input.size() + trial_->result.size() > kAlignedBytes) {
    note_ = TextId::TooLargeToAlignStatus;
    return;
  }
  note_ = TextId::AligningStatus;
  aligning_ = std::make_shared<Aligning>();
  std::thread([state = aligning_, trial = trial_] {
    const LineDiff diff = diffLines(trial->input, trial->result, 0);
    state->failed = diff.failed;
    if (!diff.failed && !state->cancelled.load(std::memory_order_relaxed)) {
      const TextLines left(trial->input), right(trial->result);
      state->rows = Alignment::fromDiff(diff, left, right, &state->cancelled);
    }
    state->done.store(true, std::memory_order_release);
  }).detach();
  poll_->start();
}

void PreviewDialog::poll() {
  if (stepping_ && stepping_->done()) stepDone();
  if (aligning_ && aligning_->done.load(std::memory_order_acquire)) alignmentDone();
  if (!stepping_ && !aligning_) poll_->stop();
}

void PreviewDialog::waitForAlignment() {
  const auto wait = [](const auto& done) {
    while (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  if (stepping_) {
    wait([this] { return stepping_->done(); });
    stepDone();
  }
  if (!aligning_) return;
  wait([this] { return aligning_->done.load(std::memory_order_acquire); });
  alignmentDone();
}

void PreviewDialog::alignmentDone() {
  note_.reset();
  if (aligning_->failed) note_ = TextId::TooLargeToAlignStatus;
  if (aligning_->rows) view_->setRows(std::move(*aligning_->rows));
  aligning_.reset();
  showStatus();
  if (!view_->rows().changes().empty()) view_->showRow(view_->rows().changes().front());
}

void PreviewDialog::showStatus() {
  const auto& changes = view_->rows().changes();
  const bool navigable = !note_ && !failure_ && !changes.empty();
  previous_->setEnabled(navigable);
  next_->setEnabled(navigable);
  if (note_ || failure_) {
    status_->setFullText(note_ ? text(*note_) : toDisplay(renderNotice(language_, *failure_)));
    return;
  }
  if (changes.empty()) {
    status_->setFullText(text(TextId::NoChangesStatus));
    return;
  }
  status_->setFullText(
      toDisplay(formatText(localizedString(language_, TextId::ChangesStatus),
                           {static_cast<std::uint64_t>(changes.size()),
                            static_cast<std::uint64_t>(view_->rows().removedLines()),
                            static_cast<std::uint64_t>(view_->rows().addedLines())})));
}

// Both move from the row in view (PreviewView::navigationRow), so that a
// change near where the user scrolled is found, not one near the last
// change visited.
void PreviewDialog::nextChange() {
  if (const auto next = view_->rows().nextChange(view_->navigationRow())) view_->showRow(*next);
}

void PreviewDialog::previousChange() {
  if (const auto previous = view_->rows().previousChange(view_->navigationRow()))
    view_->showRow(*previous);
}

}  // namespace strovel
