// The pattern editor's widgets and their wiring. The rules, the selection and
// every rule-level decision live in PatternEditorModel; this file keeps the
// rule list box in step with the model, shows the selected rule in the edits
// and hands the user's typing to the model. The dialog writes the edits
// itself only under the filling_ flag (or through calls that raise no
// edited signal), so opening and pressing OK hands back every rule byte for
// byte, whether or not its texts are valid in the code page.
#include "editor/pattern_editor_dialog.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStyle>
#include <QTextDocument>
#include <initializer_list>

#include "ui/dialog_units.h"
#include "ui/ui_text.h"

namespace strovel {
namespace {

// The action names are long; the drop-down list is at least this wide.
constexpr int kDroppedWidth = 390;

// The edit's text with LF line breaks. The document's raw text is used
// because toPlainText() also turns no-break spaces into blanks.
QString plainText(const QPlainTextEdit& edit) {
  QString text = edit.document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return text;
}

template <class Widget>
Widget* named(Widget* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

bool isEnterKey(const QKeyEvent& key) {
  return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

// Pattern3 is a one-line edit: a line break in it is shown as this mark
// (a character no single-byte code page has) and stored as the LF it is.
constexpr QChar kLineBreakMark(0x21B5);

QString withLineBreakMarks(QString text) { return text.replace(QLatin1Char('\n'), kLineBreakMark); }

QString withoutLineBreakMarks(QString text) {
  return text.replace(kLineBreakMark, QLatin1Char('\n'));
}

}  // namespace

// A new pattern always starts without rules, whatever the caller passes.
PatternEditorDialog::PatternEditorDialog(const RuleList& rules, bool isNewPattern, QWidget* parent)
    : QDialog(parent), model_(isNewPattern ? RuleList{} : rules) {
  setObjectName(QStringLiteral("patternEditor"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  createControls();
  setCaptions();
  arrangeControls();
  connectControls();
  for (int position = 0; position < kActionPositions; ++position) {
    actionType_->addItem(actionName(actionTypeAt(position)));
  }
  if (isNewPattern) {
    actionType_->setCurrentIndex(0);
  } else {
    fillRuleList();
  }
}

PatternEditorDialog::~PatternEditorDialog() = default;

void PatternEditorDialog::setPreview(std::function<void(const RuleList&)> preview) {
  preview_ = std::move(preview);
  previewButton_->setVisible(static_cast<bool>(preview_));
}

// Created in the tab order of the editor: OK, Cancel, the action box, the
// rule list with its buttons, the edits.
void PatternEditorDialog::createControls() {
  okButton_ = named(new QPushButton(QStringLiteral("OK"), this), "okButton");
  cancelButton_ = named(new QPushButton(this), "cancelButton");
  previewButton_ = named(new QPushButton(this), "previewButton");
  previewButton_->setVisible(false);
  actionType_ = named(new QComboBox(this), "actionType");
  actionType_->view()->setMinimumWidth(kDroppedWidth);
  ruleList_ = named(new QListWidget(this), "ruleList");
  ruleList_->setSelectionMode(QAbstractItemView::SingleSelection);
  deleteButton_ = named(new QPushButton(this), "deleteButton");
  addButton_ = named(new QPushButton(this), "addButton");
  pattern1Edit_ = named(new QPlainTextEdit(this), "pattern1Edit");
  pattern2Edit_ = named(new QPlainTextEdit(this), "pattern2Edit");
  pattern3Edit_ = named(new QLineEdit(this), "pattern3Edit");
  insertButton_ = named(new QPushButton(this), "insertButton");
  fromStartEdit_ = named(new QLineEdit(this), "locationFromStartEdit");
  afterPattern1Edit_ = named(new QLineEdit(this), "locationAfterPattern1Edit");
  fromStartLabel_ = named(new QLabel(this), "locationFromStartLabel");
  afterPattern1Label_ = named(new QLabel(this), "locationAfterPattern1Label");
  pattern1Label_ = new QLabel(this);
  pattern2Label_ = new QLabel(this);
  pattern3Label_ = new QLabel(this);

  // OK is the one default button, wherever the focus is.
  for (QPushButton* button :
       {okButton_, cancelButton_, previewButton_, deleteButton_, addButton_, insertButton_}) {
    button->setAutoDefault(false);
  }
  okButton_->setDefault(true);
  for (QPlainTextEdit* edit : {pattern1Edit_, pattern2Edit_}) {
    edit->setTabChangesFocus(true);
    edit->installEventFilter(this);
  }
  for (QLineEdit* edit : {fromStartEdit_, afterPattern1Edit_}) {
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setAlignment(Qt::AlignCenter);
    edit->setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 8);
  }
  // Nothing can be edited until a rule is shown.
  for (QWidget* control :
       std::initializer_list<QWidget*>{deleteButton_, insertButton_, pattern1Edit_, pattern2Edit_,
                                       pattern3Edit_, fromStartEdit_, afterPattern1Edit_}) {
    control->setEnabled(false);
  }
}

// The controls at their template positions; the dialog has the template's
// fixed size. Called once the captions are set, so that they fit.
void PatternEditorDialog::arrangeControls() {
  DialogUnits units(font());
  const int buttonPadding = 2 * style()->pixelMetric(QStyle::PM_ButtonMargin) + 8;
  units.fitText(50, cancelButton_->text(), buttonPadding);
  units.fitText(50, deleteButton_->text(), buttonPadding);
  units.fitText(60, addButton_->text(), buttonPadding);
  units.fitText(60, insertButton_->text(), buttonPadding);
  units.fitText(60, previewButton_->text(), buttonPadding);
  units.fitText(36, pattern1Label_->text(), 2);
  units.fitText(36, pattern2Label_->text(), 2);
  units.fitText(36, pattern3Label_->text(), 2);
  units.fitText(165, fromStartLabel_->text(), 2);
  units.fitText(165, afterPattern1Label_->text(), 2);
  const auto place = [&](QWidget* widget, int x, int y, int width, int height) {
    widget->setGeometry(units.rect(x, y, width, height));
  };
  place(okButton_, 7, 151, 50, 14);
  place(cancelButton_, 62, 151, 50, 14);
  place(actionType_, 135, 7, 231, 13);
  place(ruleList_, 7, 23, 122, 121);
  place(deleteButton_, 7, 7, 50, 14);
  place(addButton_, 68, 7, 60, 14);
  place(pattern1Edit_, 135, 50, 231, 36);
  place(pattern1Label_, 135, 40, 36, 8);
  place(pattern2Edit_, 135, 101, 231, 33);
  place(pattern2Label_, 135, 90, 36, 8);
  place(pattern3Edit_, 135, 146, 231, 19);
  place(pattern3Label_, 135, 137, 36, 8);
  place(insertButton_, 135, 21, 60, 14);
  place(previewButton_, 306, 21, 60, 14);
  place(fromStartEdit_, 176, 37, 23, 12);
  place(fromStartLabel_, 201, 38, 165, 8);
  place(afterPattern1Edit_, 176, 88, 23, 12);
  place(afterPattern1Label_, 201, 89, 165, 8);
  setFixedSize(units.size(373, 172));
}

void PatternEditorDialog::setCaptions() {
  setWindowTitle(caption(TextId::EditorTitle));
  deleteButton_->setText(caption(TextId::DeleteRuleButton));
  addButton_->setText(caption(TextId::AddRuleButton));
  insertButton_->setText(caption(TextId::InsertRuleButton));
  pattern1Label_->setText(caption(TextId::Pattern1Label));
  pattern2Label_->setText(caption(TextId::Pattern2Label));
  pattern3Label_->setText(caption(TextId::Pattern3Label));
  fromStartLabel_->setText(caption(TextId::FromStartLabel));
  afterPattern1Label_->setText(caption(TextId::AfterPattern1Label));
  cancelButton_->setText(caption(TextId::CancelButton));
  previewButton_->setText(caption(TextId::PreviewCommand));
  previewButton_->setShortcut(
      QKeySequence(Qt::CTRL | Qt::Key_P));  // after the text, which sets one
}

void PatternEditorDialog::connectControls() {
  connect(addButton_, &QPushButton::clicked, this, &PatternEditorDialog::addRule);
  connect(insertButton_, &QPushButton::clicked, this, &PatternEditorDialog::insertRule);
  connect(deleteButton_, &QPushButton::clicked, this, &PatternEditorDialog::deleteRule);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(previewButton_, &QPushButton::clicked, this, [this] {
    if (preview_) preview_(model_.rules());
  });
  connect(ruleList_, &QListWidget::itemSelectionChanged, this,
          &PatternEditorDialog::followListSelection);
  connect(pattern1Edit_, &QPlainTextEdit::textChanged, this,
          [this] { storePatternText(RuleField::Pattern1, plainText(*pattern1Edit_)); });
  connect(pattern2Edit_, &QPlainTextEdit::textChanged, this,
          [this] { storePatternText(RuleField::Pattern2, plainText(*pattern2Edit_)); });
  connect(pattern3Edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    storePatternText(RuleField::Pattern3, withoutLineBreakMarks(text));
  });
  connect(fromStartEdit_, &QLineEdit::textEdited, this,
          [this](const QString& text) { storeLocation(LocationField::FromStart, text); });
  connect(afterPattern1Edit_, &QLineEdit::textEdited, this,
          [this](const QString& text) { storeLocation(LocationField::AfterPattern1, text); });
}

// An existing pattern opens with its first rule selected and the action box
// at that rule's action (none when no position carries it).
void PatternEditorDialog::fillRuleList() {
  const RuleList& rules = model_.rules();
  if (rules.empty()) {
    actionType_->setCurrentIndex(-1);
    return;
  }
  for (std::size_t i = 0; i < rules.size(); ++i) addListEntry(i, rules.at(i).ActionType);
  model_.select(0);
  selectListEntry(0);
  actionType_->setCurrentIndex(positionOfAction(rules.at(0).ActionType));
  showSelectedRule();
}

void PatternEditorDialog::addRule() {
  const std::int32_t actionType = chosenActionType();
  const std::size_t index = model_.addRule(actionType);
  {
    const QSignalBlocker quiet(ruleList_);
    addListEntry(index, actionType);
  }
  selectListEntry(index);
  showSelectedRule();
}

void PatternEditorDialog::insertRule() {
  if (!model_.selected()) return;
  const std::int32_t actionType = chosenActionType();
  const std::optional<std::size_t> index = model_.insertRule(actionType);
  {
    const QSignalBlocker quiet(ruleList_);
    addListEntry(*index, actionType);
  }
  selectListEntry(index);
  showSelectedRule();
}

void PatternEditorDialog::deleteRule() {
  const std::optional<std::size_t> index = model_.selected();
  if (!index) return;
  model_.deleteRule();
  {
    const QSignalBlocker quiet(ruleList_);
    delete ruleList_->takeItem(static_cast<int>(*index));
  }
  selectListEntry(model_.selected());
  showSelectedRule();
}

// The user changed the list's selection (a Ctrl+click can even clear it).
void PatternEditorDialog::followListSelection() {
  const QModelIndexList rows = ruleList_->selectionModel()->selectedRows();
  std::optional<std::size_t> row;
  if (!rows.isEmpty()) row = static_cast<std::size_t>(rows.first().row());
  model_.select(row);
  showSelectedRule();
}

void PatternEditorDialog::showSelectedRule() {
  const std::optional<std::size_t> index = model_.selected();
  if (!index) {
    showNoRule();
    return;
  }
  deleteButton_->setEnabled(true);
  insertButton_->setEnabled(true);
  const Rule& rule = model_.rules().at(*index);
  // A code that names no action leaves every control as it stands.
  if (const std::optional<ControlStates> states = controlStatesFor(rule.ActionType)) {
    applyControlStates(*states);
  }
  fillEdits(rule);
}

// With no rule selected the edits are emptied and locked, so nothing typed
// can reach a rule.
void PatternEditorDialog::showNoRule() {
  filling_ = true;
  pattern1Edit_->clear();
  pattern2Edit_->clear();
  filling_ = false;
  for (QLineEdit* edit : {pattern3Edit_, fromStartEdit_, afterPattern1Edit_}) edit->clear();
  for (QWidget* edit : std::initializer_list<QWidget*>{pattern1Edit_, pattern2Edit_, pattern3Edit_,
                                                       fromStartEdit_, afterPattern1Edit_}) {
    edit->setEnabled(false);
  }
}

void PatternEditorDialog::applyControlStates(const ControlStates& states) {
  pattern1Edit_->setEnabled(true);
  pattern2Edit_->setEnabled(states.pattern2Enabled);
  pattern3Edit_->setEnabled(states.pattern3Enabled);
  for (QLineEdit* number : {fromStartEdit_, afterPattern1Edit_}) {
    number->setVisible(states.numbersShown);
    number->setEnabled(states.numbersShown);
  }
  afterPattern1Label_->setVisible(states.numbersShown);
  fromStartLabel_->setVisible(states.numbersShown);
}

// Disabled and hidden edits get the rule's values too. setText() raises no
// textEdited, and the flag stops the multi-line edits' textChanged, so
// showing a rule never writes into it.
void PatternEditorDialog::fillEdits(const Rule& rule) {
  filling_ = true;
  pattern1Edit_->setPlainText(toDisplay(rule.Pattern1));
  pattern2Edit_->setPlainText(toDisplay(rule.Pattern2));
  filling_ = false;
  pattern3Edit_->setText(withLineBreakMarks(toDisplay(rule.Pattern3)));
  fromStartEdit_->setText(QString::number(rule.LocationFromStart));
  afterPattern1Edit_->setText(QString::number(rule.LocationAfterPattern1));
}

void PatternEditorDialog::storePatternText(RuleField field, const QString& text) {
  if (filling_) return;
  model_.storePatternText(field, fromDisplay(text));
  if (model_.selected()) showRuleTexts(*model_.selected());
}

void PatternEditorDialog::storeLocation(LocationField field, const QString& text) {
  model_.storeLocation(field, fromDisplay(text));
}

bool PatternEditorDialog::eventFilter(QObject* watched, QEvent* event) {
  const bool multiLineEdit = watched == pattern1Edit_ || watched == pattern2Edit_;
  if (!multiLineEdit || event->type() != QEvent::KeyPress) {
    return QDialog::eventFilter(watched, event);
  }
  const auto& key = static_cast<const QKeyEvent&>(*event);
  if (!isEnterKey(key)) return false;
  if (key.modifiers() & Qt::ControlModifier) {
    static_cast<QPlainTextEdit*>(watched)->insertPlainText(QStringLiteral("\n"));
  } else {
    okButton_->click();
  }
  return true;
}

// The action for a new rule. An action box left without a selection falls
// back to its first position, selected so the user sees what was used.
std::int32_t PatternEditorDialog::chosenActionType() {
  if (actionType_->currentIndex() < 0) actionType_->setCurrentIndex(0);
  return actionTypeAt(actionType_->currentIndex());
}

QString PatternEditorDialog::caption(TextId text) const {
  return toDisplay(localizedString(language_, text));
}

// The list entry of a rule: its action's name, empty for an unknown code.
QString PatternEditorDialog::actionName(std::int32_t actionType) const {
  const std::optional<TextId> name = strovel::actionName(actionType);
  return name ? caption(*name) : QString();
}

// A list entry shows its action's name, cut to the list's width; the
// tooltip shows it whole, with the texts the rule uses, so that two rules
// of one action tell apart.
void PatternEditorDialog::addListEntry(std::size_t row, std::int32_t actionType) {
  ruleList_->insertItem(static_cast<int>(row), new QListWidgetItem(actionName(actionType)));
  showRuleTexts(row);
}

void PatternEditorDialog::showRuleTexts(std::size_t row) {
  QListWidgetItem* item = ruleList_->item(static_cast<int>(row));
  if (!item || row >= model_.rules().size()) return;
  const Rule& rule = model_.rules().at(row);
  const std::optional<ControlStates> states = controlStatesFor(rule.ActionType);
  QStringList lines{item->text()};
  const auto add = [&](TextId label, const std::string& text, bool used) {
    QString shown = toDisplay(text);
    if (shown.size() > 200) shown = shown.left(200) + QStringLiteral("...");
    if (used && !text.empty())
      lines << caption(label) + QStringLiteral(": \u00AB") + shown + QStringLiteral("\u00BB");
  };
  add(TextId::Pattern1Label, rule.Pattern1, true);
  add(TextId::Pattern2Label, rule.Pattern2, !states || states->pattern2Enabled);
  add(TextId::Pattern3Label, rule.Pattern3, !states || states->pattern3Enabled);
  item->setToolTip(lines.join(QLatin1Char('\n')));
}

void PatternEditorDialog::selectListEntry(std::optional<std::size_t> index) {
  const QSignalBlocker quiet(ruleList_);
  if (index) {
    ruleList_->setCurrentRow(static_cast<int>(*index));
  } else {
    ruleList_->clearSelection();
  }
}

}  // namespace strovel
