// The pattern editor: its model without widgets (the action box's table,
// the rule list and the number texts), then the dialog driven as a user
// drives it on the offscreen platform, its controls found by object name
// and given clicks and keys by QTest.
#include "editor/pattern_editor_dialog.h"

#include <gtest/gtest.h>

#include "support/modal_answers.h"
#include "ui/dialog_units.h"

namespace strovel {
namespace {

// Each position of the action box: its code, its name's catalogue id and
// the controls it enables (Pattern2, Pattern3, the numbers); position -1 for
// codes at no position. Add selects the new rule, Insert puts one before
// the selected rule and selects it, Delete selects the follower, or the new
// last rule; without a selection neither does anything. A number edit's
// text is read as atoi reads it, within the 127 bytes of its buffer.
TEST(PatternEditorModelTest, ActionTableRuleListAndLocationTexts) {
  // clang-format off
  const std::tuple<int, std::int32_t, int, const char*> rows[] = {
      {0, Replace, 102, "100"}, {1, KeepLinesWith, 104, "000"}, {2, DeleteLinesWith, 106, "000"},
      {3, ReplaceBetween, 108, "111"}, {4, ReplaceBetweenInFile, 182, "110"},
      {5, SortByElement, 110, "101"}, {6, SortDistinct, 112, "101"},
      {-1, 0, 0, ""}, {-1, 8, 0, ""}, {-1, 12, 0, ""}};
  // clang-format on
  for (const auto& [position, type, nameId, states] : rows) {
    std::string controls;
    if (const auto s = controlStatesFor(type))
      controls = {"01"[s->pattern2Enabled], "01"[s->pattern3Enabled], "01"[s->numbersShown]};
    EXPECT_EQ(std::tuple(controls, positionOfAction(type), int(actionName(type).value_or(TextId{})),
                         actionTypeAt(position)),
              std::tuple(states, position, nameId, position < 0 ? -1 : type));
  }
  EXPECT_EQ(actionTypeAt(7), -1);

  PatternEditorModel model;
  std::string seen;  // the action codes and the selection after each step
  const auto note = [&] {
    for (const Rule& rule : model.rules()) seen += std::to_string(rule.ActionType);
    seen += model.selected() ? "@" + std::to_string(*model.selected()) + " " : "@- ";
  };
  model.addRule(KeepLinesWith), model.addRule(SortDistinct), note();
  model.select(0), model.insertRule(Replace), note(), model.select(1), model.deleteRule(), note();
  model.deleteRule(), note();
  model.deleteRule(), model.insertRule(Replace), model.deleteRule(), note();
  EXPECT_EQ(seen, "26@1 126@0 16@1 1@0 @- ");
  model.addRule(Replace);
  model.storeLocation(LocationField::FromStart, std::string(125, ' ') + "-5x");
  model.storeLocation(LocationField::AfterPattern1, std::string(127, ' ') + "5");
  EXPECT_EQ(model.rules().at(0), (Rule{"", "", "", Replace, -5, 0}));
}

// The editor on screen. shown() gives the entry selected, the action box's
// position and the usable controls: "--" for a disabled edit or hidden
// numbers, "N?" when the number edits and their labels disagree.
struct Editor : PatternEditorDialog {
  explicit Editor(const RuleList& rules, bool isNew = false) : PatternEditorDialog(rules, isNew) {
    show();
  }
  QWidget* at(const char* name) { return named(this, name); }
  std::string shown(int entry = -1) {
    auto* list = named<QListWidget>(this, "ruleList");
    if (entry >= 0)
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                        list->visualItemRect(list->item(entry)).center());
    std::string state = std::to_string(list->currentRow()) + " " +
                        std::to_string(named<QComboBox>(this, "actionType")->currentIndex());
    for (const char* edit : {"pattern1Edit", "pattern2Edit", "pattern3Edit"})
      state += at(edit)->isEnabled() ? std::string{' ', 'P', edit[7]} : " --";
    int numbers = 0;
    for (const char* name : {"locationFromStartEdit", "locationAfterPattern1Edit",
                             "locationFromStartLabel", "locationAfterPattern1Label"})
      numbers += at(name)->isVisible() && at(name)->isEnabled();
    return state + std::vector<const char*>{" --; ", " N?; ", " N?; ", " N?; ", " N; "}[numbers];
  }
};

// A new pattern starts empty; new rules take the action chosen then (the
// box's first one when none is) and show its controls, which follow the
// selected rule (a code that names no action leaves them as they were).
// Every way out hands back the rules untouched: OK and Enter in a text edit
// accept them byte for byte, invalid text bytes and unknown codes included;
// Cancel and Escape reject them. The dialog keeps its size, and OK is its
// one default button.
TEST(PatternEditorDialogTest, ControlsFollowTheSelectedRuleAndClosingKeepsItsBytes) {
  Editor empty(rulesOf({Rule{"ignored", "", "", Replace, 1, 1}}), true);
  named<QComboBox>(&empty, "actionType")->setCurrentIndex(4);
  click(&empty, "addButton");
  named<QComboBox>(&empty, "actionType")->setCurrentIndex(-1);
  click(&empty, "insertButton");
  EXPECT_EQ(empty.shown(), "0 0 P1 P2 -- --; ");
  EXPECT_EQ(empty.rules(), rulesOf({Rule{"", "", "", Replace, 1, 1},
                                    Rule{"", "", "", ReplaceBetweenInFile, 1, 1}}));
  EXPECT_TRUE(empty.minimumSize() == empty.maximumSize());
  // Its measures are dialog units, down an eighth of the font's height.
  EXPECT_EQ(DialogUnits(empty.font()).down(800),
            std::lround(100 * QFontMetricsF(empty.font()).height()));
  for (auto* button : empty.findChildren<QPushButton*>())
    EXPECT_EQ(button->isDefault() || button->autoDefault(), button->objectName() == "okButton");

  const RuleList rules = rulesOf({Rule{"u", "w", "v", 12, 7, 8},
                                  Rule{"\xff\xfe", "a\nb", "\xc2\xa0", ReplaceBetween, 5, 6},
                                  Rule{"x\xa0y", "", "\xe9\n", ReplaceBetweenInFile, 0, -3}});
  for (const auto& [control, key, result] :
       {std::tuple{"okButton", Qt::Key_Space, QDialog::Accepted},
        {"pattern1Edit", Qt::Key_Return, QDialog::Accepted},
        {"pattern3Edit", Qt::Key_Return, QDialog::Accepted},
        {"cancelButton", Qt::Key_Space, QDialog::Rejected},
        {"pattern1Edit", Qt::Key_Escape, QDialog::Rejected}}) {
    Editor editor(rules);
    std::string seen = editor.shown();
    for (int entry : {2, 0, 1}) seen += editor.shown(entry);
    EXPECT_EQ(seen, "0 -1 -- -- -- N?; 2 -1 P1 P2 P3 --; 0 -1 P1 P2 P3 --; 1 -1 P1 P2 P3 N; ");
    // A line break in the one-line Pattern3 shows as a mark.
    EXPECT_EQ(named<QLineEdit>(&editor, "pattern3Edit")->text(), "a\u21B5b");
    QTest::keyClick(editor.at(control), key);
    EXPECT_TRUE(editor.result() == result && editor.rules() == rules) << control;
  }
}

// The list's tooltips: the action's whole name and the texts its rule uses,
// kept up to date as a text is typed, so that two rules of one action tell
// apart in the list.
TEST(PatternEditorDialogTest, ListTooltipsShowEachRulesTexts) {
  // A Rule's texts: Pattern1, Pattern3, Pattern2.
  Editor editor(rulesOf({Rule{"x", "unused", "y", Replace, 1, 1}, Rule{"a", "", "", Replace, 1, 1},
                         Rule{"k", "unused", "unused", KeepLinesWith, 1, 1}}));
  auto* list = named<QListWidget>(&editor, "ruleList");
  const auto tip = [&](int row) { return list->item(row)->toolTip().toStdString(); };
  EXPECT_EQ(tip(0), "Заменить Образец1 на Образец2\nОбразец1: «x»\nОбразец2: «y»");
  EXPECT_EQ(tip(1), "Заменить Образец1 на Образец2\nОбразец1: «a»");
  EXPECT_EQ(tip(2), "Оставить только строки, содержащие Образец1\nОбразец1: «k»");
  editor.shown(1);
  QTest::keyClicks(editor.at("pattern2Edit"), "b");
  EXPECT_EQ(tip(1), "Заменить Образец1 на Образец2\nОбразец1: «a»\nОбразец2: «b»");
  EXPECT_EQ(tip(0), "Заменить Образец1 на Образец2\nОбразец1: «x»\nОбразец2: «y»");
}

}  // namespace
}  // namespace strovel
