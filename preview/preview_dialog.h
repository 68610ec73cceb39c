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
//   PreviewDialog preview(trial, /*reorders=*/false, "in.txt", /*canWrite=*/true, window);
//   if (preview.exec() == QDialog::Accepted) { /* "Write result" was pressed */ }
#pragma once

#include <QDialog>
#include <atomic>
#include <memory>
#include <optional>

#include "catalogue/catalogue.h"
#include "engine/trial_run.h"
#include "preview/alignment.h"

class QLayout;
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

  PreviewDialog(std::shared_ptr<const TrialResult> trial, bool reorders,
                const std::string& inputName, bool canWrite, QWidget* parent = nullptr);
  // Tells a worker still lining up to give up.
  ~PreviewDialog() override;

  void nextChange();
  void previousChange();
  // Waits for the lining up to end (tests).
  void waitForAlignment();

 private:
  QWidget* buildSummary();
  QLayout* buildButtons(bool canWrite);
  void startAligning(bool reorders);
  void alignmentDone();
  void showStatus();
  QString text(TextId id) const;

  LanguageSelector language_;

  std::shared_ptr<const TrialResult> trial_;
  PreviewView* view_ = nullptr;
  ElidedLabel* status_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* previous_ = nullptr;
  QTimer* poll_ = nullptr;
  std::optional<TextId> note_;  // shown instead of the count of changes
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
