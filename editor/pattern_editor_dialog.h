// The pattern editor: the modal dialog in which the rules of one pattern
// are built and changed. It works on its own copy of a RuleList, which the
// caller reads back after the dialog ends with Accepted (OK); Cancel leaves
// the caller's rules alone.
//
//   PatternEditorDialog editor(currentRules, /*isNewPattern=*/false, window);
//   if (editor.exec() == QDialog::Accepted) currentRules = editor.rules();
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "catalogue/catalogue.h"
#include "editor/pattern_editor_model.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace strovel {

class PatternEditorDialog : public QDialog {
  Q_OBJECT

 public:
  PatternEditorDialog(const RuleList& rules, bool isNewPattern, QWidget* parent = nullptr);
  ~PatternEditorDialog() override;

  const RuleList& rules() const { return model_.rules(); }

  // Shows the Preview button (Ctrl+P), which hands the rules as they stand
  // to `preview`, before OK.
  void setPreview(std::function<void(const RuleList&)> preview);

 protected:
  // Enter in the multi-line edits presses OK; Ctrl+Enter breaks the line.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createControls();
  void arrangeControls();
  void setCaptions();
  void connectControls();
  void fillRuleList();

  void addRule();
  void insertRule();
  void deleteRule();
  void followListSelection();
  void showSelectedRule();
  void showNoRule();
  void applyControlStates(const ControlStates& states);
  void fillEdits(const Rule& rule);
  void storePatternText(RuleField field, const QString& text);
  void storeLocation(LocationField field, const QString& text);

  std::int32_t chosenActionType();
  QString caption(TextId text) const;
  QString actionName(std::int32_t actionType) const;
  void selectListEntry(std::optional<std::size_t> index);
  void addListEntry(std::size_t row, std::int32_t actionType);
  void showRuleTexts(std::size_t row);

  LanguageSelector language_;
  PatternEditorModel model_;
  bool filling_ = false;  // set while the dialog itself writes the edits

  QComboBox* actionType_ = nullptr;
  QListWidget* ruleList_ = nullptr;
  QPushButton* deleteButton_ = nullptr;
  QPushButton* addButton_ = nullptr;
  QPushButton* insertButton_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* previewButton_ = nullptr;
  std::function<void(const RuleList&)> preview_;
  QLabel* pattern1Label_ = nullptr;
  QLabel* pattern2Label_ = nullptr;
  QLabel* pattern3Label_ = nullptr;
  QPlainTextEdit* pattern1Edit_ = nullptr;
  QPlainTextEdit* pattern2Edit_ = nullptr;
  QLineEdit* pattern3Edit_ = nullptr;
  QLineEdit* fromStartEdit_ = nullptr;
  QLineEdit* afterPattern1Edit_ = nullptr;
  QLabel* fromStartLabel_ = nullptr;
  QLabel* afterPattern1Label_ = nullptr;
};

}  // namespace strovel
