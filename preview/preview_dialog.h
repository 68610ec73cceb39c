// The preview window: what a pattern does to one input, before anything is
// written. The summary lines of the rules, then the input and the result
// side by side (PreviewView), lined up by their line diff, with the count
// of changes and next / previous change from the keyboard, from the row in
// view. The diff of a large text and the rows built from it are made on a
// worker thread while the window is already open; the sides show unaligned
// until it is done. Closing the window does not wait for it: the worker
// owns what it needs, gives up soon after, and ends on its own. A pattern
// that sorts is never lined up, nor a text too large to diff in reasonable
// memory.
//
// A pattern of several rules can also be shown one rule at a time ("Rule 2
// of 5"): the text before that rule beside the text after it, with that
// rule's summary line, tried in the background (StepTrial) while the
// window stays usable; "Whole pattern" shows the whole run again.
//
//   PreviewDialog preview(trial, {rules, "in.txt", options}, "in.txt", /*canWrite=*/true, window);
//   if (preview.exec() == QDialog::Accepted) { /* "Write result" was pressed */ }
#pragma once

#include <QDialog>
#include <atomic>
#include <memory>
#include <optional>

#include "catalogue/catalogue.h"
#include "engine/trial_run.h"
#include "preview/alignment.h"
#include "preview/step_trial.h"

class QComboBox;
class QLayout;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace strovel {

class ElidedLabel;
class PreviewView;

class PreviewDialog : public QDialog {
  Q_OBJECT

 public:
  // The largest input and result, together, that are lined up.
  static constexpr std::size_t kAlignedBytes = std::size_t{512} << 20;

  // `trial` is the whole pattern's, made from `steps`.
  PreviewDialog(std::shared_ptr<const TrialResult> trial, PreviewSteps steps,
                const std::string& inputName, bool canWrite, QWidget* parent = nullptr);
  // Tells the workers still trying a step or lining up to give up.
  ~PreviewDialog() override;

  void nextChange();
  void previousChange();
  // 0: the whole pattern; k: rule k (1-based) alone.
  void showStep(int step);
  // Waits for the step shown to be tried and lined up (tests).
  void waitForAlignment();

 private:
  QWidget* buildSummary();
  QLayout* buildStepChoice();
  QLayout* buildButtons(bool canWrite);
  void showTrial(std::shared_ptr<const TrialResult> trial, bool reorders);
  void stepDone();
  void startAligning(bool reorders);
  void alignmentDone();
  void poll();
  void showStatus();
  QString text(TextId id) const;

  LanguageSelector language_;

  std::shared_ptr<const TrialResult> whole_;  // the whole pattern's trial
  std::shared_ptr<const TrialResult> trial_;  // the one shown
  PreviewSteps steps_;
  std::shared_ptr<StepTrial> stepping_;  // the step being tried
  PreviewView* view_ = nullptr;
  QPlainTextEdit* summary_ = nullptr;
  QComboBox* step_ = nullptr;
  ElidedLabel* status_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* previous_ = nullptr;
  QTimer* poll_ = nullptr;
  std::optional<TextId> note_;     // shown instead of the count of changes
  std::optional<Notice> failure_;  // why a step shows nothing
  // What the worker writes; `done` publishes `failed` and `rows`. Once
  // `cancelled` is set, the worker stops early and its rows are not used.
  struct Aligning {
    std::atomic<bool> done{false};
    std::atomic<bool> cancelled{false};
    bool failed = false;
    std::optional<Alignment> rows;
  };
  std::shared_ptr<Aligning> aligning_;
};

}  // namespace strovel
