// The pattern editor: its model's action table and number texts without
// widgets, then the dialog driven as a user drives it on the offscreen
// platform, its controls found by object name and given clicks and keys by
// QTest; what it shows and the rules it hands back are compared with what
// is expected.
#include "editor/pattern_editor_dialog.h"

#include <gtest/gtest.h>

#include "app/catalogue/catalogue.h"
#include "support/modal_answers.h"
#include "ui/ui_text.h"

namespace strovel {
namespace {

// Each position of the action box: its code, its name's catalogue id and
// the controls it enables (Pattern2, Pattern3, the numbers); position -1 for
// codes at no position. A number edit's text is read as atoi reads it,
// within the 127 bytes of its buffer.
TEST(PatternEditorModelTest, ActionTableAndLocationTexts) {
  const std::tuple<int, std::int32_t, int, const char*> rows[] = {
      {0, Replace, 102, "100"},
      {1, KeepLinesWith, 104, "000"},
      {2, DeleteLinesWith, 106, "000"},
      {3, ReplaceBetween, 108, "111"},
      {4, ReplaceBetweenInFile, 182, "110"},
      {5, SortByElement, 110, "101"},
      {6, SortDistinct, 112, "101"},
      {-1, 0, 0, ""},
      {-1, 8, 0, ""},
      {-1, 12, 0, ""}};
  for (const auto& [position, type, nameId, states] : rows) {
    std::string controls;
    if (const auto s = controlStatesFor(type))
      for (bool on : {s->pattern2Enabled, s->pattern3Enabled, s->numbersShown})
        controls += on ? '1' : '0';
    EXPECT_EQ(controls, states) << type;
    EXPECT_EQ(positionOfAction(type), position) << type;
    EXPECT_EQ(actionNameId(type), nameId) << type;
    EXPECT_EQ(actionTypeAt(position), position < 0 ? -1 : type) << type;
  }
  for (int position : {7, 100}) EXPECT_EQ(actionTypeAt(position), -1) << position;
  for (const auto& [text, value] : std::initializer_list<std::pair<std::string, std::int32_t>>{
           {"", 0},
           {"12abc", 12},
           {"  -7", -7},
           {"99999999999", 2147483647},
           {std::string(126, ' ') + "5", 5},
           {std::string(127, ' ') + "5", 0}}) {
    PatternEditorModel model;
    model.addRule(Replace);  // and selects it
    model.storeLocation(LocationField::AfterPattern1, text);
    EXPECT_EQ(model.rules().at(0).LocationAfterPattern1, value) << text;
  }
}

struct Editor : PatternEditorDialog {
  explicit Editor(const RuleList& rules, bool isNew = false) : PatternEditorDialog(rules, isNew) {
    show();
  }
  QComboBox* action() { return named<QComboBox>(this, "actionType"); }
  QListWidget* list() { return named<QListWidget>(this, "ruleList"); }
  QWidget* at(const char* name) { return named(this, name); }
  void entry(int row) {
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                      list()->visualItemRect(list()->item(row)).center());
  }
  // The selected entry, the action box's position, the usable controls
  // ("--" for a disabled edit or hidden numbers, "N?" when the number edits
  // and their labels disagree), Pattern1 and the first number as shown.
  std::string shown() {
    std::string state = std::to_string(list()->currentRow()) + " " +
                        std::to_string(action()->currentIndex()) + " |";
    for (const char* edit : {"pattern1Edit", "pattern2Edit", "pattern3Edit"})
      state += at(edit)->isEnabled() ? std::string{' ', 'P', edit[7]} : " --";
    int numbers = 0;
    for (const char* name : {"locationFromStartEdit", "locationAfterPattern1Edit",
                             "locationFromStartLabel", "locationAfterPattern1Label"})
      numbers += at(name)->isVisible() && at(name)->isEnabled();
    return state +
           (numbers == 4 ? " N |"
            : numbers    ? " N? |"
                         : " -- |") +
           named<QPlainTextEdit>(this, "pattern1Edit")->toPlainText().toStdString() + "|" +
           named<QLineEdit>(this, "locationFromStartEdit")->text().toStdString();
  }
};

// A new pattern starts empty; new rules take the action chosen then and are
// selected, the box only chooses the next one; Delete selects the follower
// of the deleted rule, or the new last one. Each entry's whole text is its
// tooltip, the dialog keeps its size, and OK is the one default button
// wherever the focus is.
TEST(PatternEditorDialogTest, AddInsertAndDeleteRulesOfTheChosenActions) {
  Editor editor(rulesOf({Rule{"ignored", "", "", Replace, 1, 1}}), true);
  EXPECT_EQ(editor.shown(), "-1 0 | -- -- -- N? ||");
  for (int position : {4, 2}) {
    editor.action()->setCurrentIndex(position);
    click(&editor, "addButton");
  }
  EXPECT_EQ(editor.shown(), "1 2 | P1 -- -- -- ||1");
  editor.entry(0);
  editor.action()->setCurrentIndex(0);
  click(&editor, "insertButton");
  EXPECT_EQ(editor.shown(), "0 0 | P1 P2 -- -- ||1");
  editor.action()->setCurrentIndex(6);
  EXPECT_EQ(editor.list()->item(0)->text(), toDisplay(loadString(102)));
  EXPECT_EQ(editor.rules(),
            rulesOf({Rule{"", "", "", Replace, 1, 1}, Rule{"", "", "", ReplaceBetweenInFile, 1, 1},
                     Rule{"", "", "", DeleteLinesWith, 1, 1}}));
  const QSize size = editor.size();
  for (int i = 0; i < 30; ++i) click(&editor, "addButton");
  EXPECT_EQ(editor.list()->item(32)->toolTip(), toDisplay(loadString(112)));
  EXPECT_TRUE(editor.size() == size && editor.minimumSize() == editor.maximumSize());
  for (const char* focus : {"addButton", "deleteButton", "cancelButton", "ruleList"}) {
    editor.at(focus)->setFocus();
    for (auto* button : editor.findChildren<QPushButton*>())
      EXPECT_EQ(button->isDefault() || button->autoDefault(), button->objectName() == "okButton");
  }
  editor.entry(1), click(&editor, "deleteButton");
  EXPECT_EQ(editor.shown(), "1 6 | P1 -- -- -- ||1");  // the follower of the deleted rule
  editor.entry(31), click(&editor, "deleteButton");
  EXPECT_EQ(editor.shown(), "30 6 | P1 P2 -- N ||1");  // the new last rule
  while (editor.list()->count() > 0) editor.entry(0), click(&editor, "deleteButton");
  EXPECT_EQ(editor.shown(), "-1 6 | -- -- -- N? ||");
  EXPECT_TRUE(editor.rules().empty() && !editor.at("locationFromStartEdit")->isEnabled());
  for (const char* button : {"insertButton", "deleteButton"}) click(&editor, button);
  editor.action()->setCurrentIndex(-1);  // new rules then get the box's first action
  click(&editor, "addButton");
  EXPECT_EQ(editor.rules(), rulesOf({Rule{"", "", "", Replace, 1, 1}}));
  EXPECT_EQ(editor.action()->currentIndex(), 0);
}

// The controls follow the selected rule (a code that names no action leaves
// them as they were) and typing goes into it. Pattern3 is one line: a line
// break shows as a mark and stays an LF. Every way out hands back the rules
// untouched: OK and Enter in a text edit accept them byte for byte, invalid
// text bytes and unknown codes included; Cancel and Escape reject them.
TEST(PatternEditorDialogTest, TypingGoesIntoTheSelectedRuleAndClosingKeepsTheOthers) {
  const RuleList rules = rulesOf({Rule{"u", "w", "v", 12, 7, 8},
                                  Rule{"\xff\xfe", "a\nb", "\xc2\xa0", ReplaceBetween, 5, 6},
                                  Rule{"x\xa0y", "", "\xe9\n", ReplaceBetweenInFile, 0, -3}});
  for (const auto& [control, key, result] :
       {std::tuple{"okButton", Qt::Key_Space, QDialog::Accepted},
        {"pattern1Edit", Qt::Key_Return, QDialog::Accepted},
        {"pattern2Edit", Qt::Key_Enter, QDialog::Accepted},
        {"pattern3Edit", Qt::Key_Return, QDialog::Accepted},
        {"cancelButton", Qt::Key_Space, QDialog::Rejected},
        {"pattern1Edit", Qt::Key_Escape, QDialog::Rejected}}) {
    Editor editor(rules);
    EXPECT_EQ(editor.shown(), "0 -1 | -- -- -- N? |u|7");
    editor.entry(2);
    EXPECT_EQ(editor.shown(), "2 -1 | P1 P2 P3 -- |x\uFFFDy|0");
    editor.entry(0);
    EXPECT_EQ(editor.shown(), "0 -1 | P1 P2 P3 -- |u|7");
    editor.entry(1);
    EXPECT_EQ(editor.shown(), "1 -1 | P1 P2 P3 N |\uFFFD\uFFFD|5");
    QTest::keyClick(editor.at(control), key);
    EXPECT_EQ(editor.result(), result) << control;
    EXPECT_EQ(editor.rules(), rules) << control;
  }
  Editor editor(rules);
  editor.entry(1);
  EXPECT_EQ(named<QLineEdit>(&editor, "pattern3Edit")->text(), "a\u21B5b");
  named<QPlainTextEdit>(&editor, "pattern1Edit")->clear();
  QTest::keyClicks(editor.at("pattern1Edit"), "a");
  QTest::keyClick(editor.at("pattern1Edit"), Qt::Key_Return, Qt::ControlModifier);
  QTest::keyClicks(editor.at("pattern1Edit"), "b");
  QTest::keyClicks(editor.at("pattern2Edit"), "y");  // before the no-break space
  QTest::keyClicks(editor.at("pattern3Edit"), "c");
  named<QLineEdit>(&editor, "locationFromStartEdit")->selectAll();
  QTest::keyClick(editor.at("locationFromStartEdit"), Qt::Key_Backspace);
  QTest::keyClicks(editor.at("locationFromStartEdit"), "x-");  // digits only
  QTest::keyClicks(editor.at("locationAfterPattern1Edit"), "4");
  EXPECT_EQ(editor.rules().at(1), (Rule{"a\nb", "a\nbc", "y\xc2\xa0", ReplaceBetween, 0, 64}));
  editor.entry(0), editor.entry(1);
  EXPECT_EQ(editor.shown(), "1 -1 | P1 P2 P3 N |a\nb|0");
  EXPECT_TRUE(editor.rules().at(0) == rules.at(0) && editor.rules().at(2) == rules.at(2));
}

}  // namespace
}  // namespace strovel
