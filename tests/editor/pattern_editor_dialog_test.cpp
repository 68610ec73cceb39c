// The pattern editor driven as a user drives it: the dialog is shown on the
// offscreen platform, its controls are found by object name and get clicks
// and keys from QTest; the rules it hands back are compared field by field.
#include "editor/pattern_editor_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/catalogue/catalogue.h"
#include "app/ui_text.h"
#include "support/modal_answers.h"

namespace strovel {

// Failures show a rule's fields rather than its object bytes.
static void PrintTo(const Rule& rule, std::ostream* os) {
  *os << "{P1 " << testing::PrintToString(rule.Pattern1) << ", P2 "
      << testing::PrintToString(rule.Pattern2) << ", P3 " << testing::PrintToString(rule.Pattern3)
      << ", action " << rule.ActionType << ", " << rule.LocationFromStart << ", "
      << rule.LocationAfterPattern1 << "}";
}

namespace {

QString catalogueText(int id) { return toDisplay(loadString(id)); }

RuleList ruleList(std::initializer_list<Rule> rules) {
  RuleList list;
  for (const Rule& rule : rules) list.append(rule);
  return list;
}

// The dialog on screen, with its controls by name.
class Editor {
 public:
  explicit Editor(const RuleList& rules, bool isNewPattern = false) : dialog(rules, isNewPattern) {
    dialog.show();
  }

  template <class Widget>
  Widget* find(const char* name) {
    auto* widget = dialog.findChild<Widget*>(QLatin1String(name));
    if (!widget) throw std::runtime_error(std::string("no control named ") + name);
    return widget;
  }
  QComboBox* actionType() { return find<QComboBox>("actionType"); }
  QListWidget* list() { return find<QListWidget>("ruleList"); }
  QPlainTextEdit* pattern1() { return find<QPlainTextEdit>("pattern1Edit"); }
  QPlainTextEdit* pattern2() { return find<QPlainTextEdit>("pattern2Edit"); }
  QLineEdit* pattern3() { return find<QLineEdit>("pattern3Edit"); }
  QLineEdit* fromStart() { return find<QLineEdit>("locationFromStartEdit"); }
  QLineEdit* afterPattern1() { return find<QLineEdit>("locationAfterPattern1Edit"); }

  void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
  void clickEntry(int row) {
    QListWidget* rules = list();
    QTest::mouseClick(rules->viewport(), Qt::LeftButton, {},
                      rules->visualItemRect(rules->item(row)).center());
  }
  std::vector<QString> entries() {
    std::vector<QString> texts;
    for (int row = 0; row < list()->count(); ++row) texts.push_back(list()->item(row)->text());
    return texts;
  }
  // The usable edits, "P1 P2 P3 N" with "--" for a disabled edit or hidden
  // numbers; "N?" when the number edits and their labels disagree.
  std::string controls() {
    std::string state;
    state += pattern1()->isEnabled() ? "P1 " : "-- ";
    state += pattern2()->isEnabled() ? "P2 " : "-- ";
    state += pattern3()->isEnabled() ? "P3 " : "-- ";
    const std::vector<bool> numbers = {fromStart()->isVisible() && fromStart()->isEnabled(),
                                       afterPattern1()->isVisible() && afterPattern1()->isEnabled(),
                                       find<QLabel>("locationFromStartLabel")->isVisible(),
                                       find<QLabel>("locationAfterPattern1Label")->isVisible()};
    if (numbers == std::vector<bool>(4, true)) return state + "N";
    if (numbers == std::vector<bool>(4, false)) return state + "--";
    return state + "N?";
  }

  PatternEditorDialog dialog;
};

TEST(PatternEditorDialogTest, NewPatternOpensEmptyWithTheFirstActionChosen) {
  Editor editor(RuleList{}, true);
  EXPECT_EQ(editor.dialog.windowTitle(), catalogueText(180));
  EXPECT_EQ(editor.list()->count(), 0);
  ASSERT_EQ(editor.actionType()->count(), kActionPositions);
  EXPECT_EQ(editor.actionType()->currentIndex(), 0);
  EXPECT_EQ(editor.actionType()->itemText(4), catalogueText(182));
  EXPECT_EQ(editor.find<QPushButton>("cancelButton")->text(), catalogueText(130));
  EXPECT_FALSE(editor.find<QPushButton>("deleteButton")->isEnabled());
  EXPECT_FALSE(editor.find<QPushButton>("insertButton")->isEnabled());
  EXPECT_EQ(editor.controls().substr(0, 8), "-- -- --");
}

TEST(PatternEditorDialogTest, AddTakesTheChosenActionAndInsertGoesBeforeTheSelection) {
  Editor editor(RuleList{}, true);
  editor.actionType()->setCurrentIndex(4);
  editor.click("addButton");
  EXPECT_EQ(editor.dialog.rules(), ruleList({Rule{"", "", "", ReplaceBetweenInFile, 1, 1}}));
  EXPECT_EQ(editor.list()->currentRow(), 0);
  EXPECT_TRUE(editor.find<QPushButton>("deleteButton")->isEnabled());
  EXPECT_EQ(editor.controls(), "P1 P2 P3 --");

  editor.actionType()->setCurrentIndex(2);
  editor.click("addButton");
  EXPECT_EQ(editor.dialog.rules().at(1).ActionType, DeleteLinesWith);
  EXPECT_EQ(editor.list()->currentRow(), 1);

  editor.clickEntry(0);
  editor.actionType()->setCurrentIndex(0);
  editor.click("insertButton");
  EXPECT_EQ(editor.list()->currentRow(), 0);
  EXPECT_EQ(editor.entries(),
            (std::vector<QString>{catalogueText(102), catalogueText(182), catalogueText(106)}));
  const RuleList added = editor.dialog.rules();
  EXPECT_EQ(added.at(0).ActionType, Replace);
  EXPECT_EQ(added.at(1).ActionType, ReplaceBetweenInFile);

  editor.actionType()->setCurrentIndex(6);  // only chooses the next rule's action
  EXPECT_EQ(editor.dialog.rules(), added);
  EXPECT_EQ(editor.entries().front(), catalogueText(102));
}

TEST(PatternEditorDialogTest, OpeningSelectsTheFirstRuleAndItsAction) {
  struct Case {
    std::int32_t firstAction;
    int position;
  };
  for (const Case& c : {Case{ReplaceBetweenInFile, 4}, Case{DeleteLinesWith, 2}, Case{12, -1}}) {
    SCOPED_TRACE(c.firstAction);
    Editor editor(
        ruleList({Rule{"first", "", "", c.firstAction, 1, 1}, Rule{"b", "", "", Replace, 1, 1}}));
    EXPECT_EQ(editor.actionType()->currentIndex(), c.position);
    EXPECT_EQ(editor.list()->currentRow(), 0);
    EXPECT_EQ(editor.pattern1()->toPlainText(), QStringLiteral("first"));
    // Without a chosen action, a new rule takes the first one, shown in the box.
    editor.click("insertButton");
    EXPECT_EQ(editor.dialog.rules().at(0).ActionType, c.position < 0 ? Replace : c.firstAction);
    EXPECT_EQ(editor.actionType()->currentIndex(), c.position < 0 ? 0 : c.position);
  }
}

TEST(PatternEditorDialogTest, AnEmptyExistingPatternAddsWithTheFirstAction) {
  Editor editor(RuleList{});
  EXPECT_EQ(editor.actionType()->currentIndex(), -1);
  editor.click("insertButton");
  EXPECT_TRUE(editor.dialog.rules().empty());
  editor.click("addButton");
  EXPECT_EQ(editor.dialog.rules(), ruleList({Rule{"", "", "", Replace, 1, 1}}));
  EXPECT_EQ(editor.actionType()->currentIndex(), 0);
}

TEST(PatternEditorDialogTest, ControlsFollowTheSelectedRulesAction) {
  Editor editor(
      ruleList({Rule{"k", "", "", KeepLinesWith, 1, 1}, Rule{"[", "new", "]", ReplaceBetween, 2, 3},
                Rule{"u", "w", "v", 12, 7, 8}}));
  EXPECT_EQ(editor.controls(), "P1 -- -- --");

  editor.clickEntry(1);
  EXPECT_EQ(editor.controls(), "P1 P2 P3 N");
  EXPECT_EQ(editor.pattern1()->toPlainText(), QStringLiteral("["));
  EXPECT_EQ(editor.pattern2()->toPlainText(), QStringLiteral("]"));
  EXPECT_EQ(editor.pattern3()->text(), QStringLiteral("new"));
  EXPECT_EQ(editor.fromStart()->text(), QStringLiteral("2"));
  EXPECT_EQ(editor.afterPattern1()->text(), QStringLiteral("3"));

  editor.clickEntry(0);
  EXPECT_EQ(editor.controls(), "P1 -- -- --");

  // A code that names no action: an empty entry, controls as they were,
  // texts and numbers shown all the same.
  editor.clickEntry(2);
  EXPECT_EQ(editor.entries().back(), QString());
  EXPECT_EQ(editor.controls(), "P1 -- -- --");
  EXPECT_EQ(editor.pattern2()->toPlainText(), QStringLiteral("v"));
  EXPECT_EQ(editor.pattern3()->text(), QStringLiteral("w"));
  EXPECT_EQ(editor.fromStart()->text(), QStringLiteral("7"));
}

TEST(PatternEditorDialogTest, TypingGoesIntoTheSelectedRule) {
  Editor editor(
      ruleList({Rule{"", "", "\xc2\xa0", ReplaceBetween, 5, 6}, Rule{"r", "", "", Replace, 1, 1}}));
  QTest::keyClicks(editor.pattern1(), QStringLiteral("a"));
  QTest::keyClick(editor.pattern1(), Qt::Key_Return, Qt::ControlModifier);
  QTest::keyClicks(editor.pattern1(), QStringLiteral("b"));
  QTest::keyClicks(editor.pattern2(), QStringLiteral("y"));  // before a no-break space
  QTest::keyClicks(editor.pattern3(), QStringLiteral("z"));
  editor.fromStart()->selectAll();
  QTest::keyClick(editor.fromStart(), Qt::Key_Backspace);
  QTest::keyClicks(editor.fromStart(), QStringLiteral("x-"));  // digits only
  QTest::keyClicks(editor.afterPattern1(), QStringLiteral("4"));
  EXPECT_EQ(editor.dialog.rules().at(0), (Rule{"a\nb", "z", "y\xc2\xa0", ReplaceBetween, 0, 64}));

  editor.clickEntry(1);
  editor.clickEntry(0);
  EXPECT_EQ(editor.pattern1()->toPlainText(), QStringLiteral("a\nb"));
  EXPECT_EQ(editor.pattern1()->blockCount(), 2);
  EXPECT_EQ(editor.fromStart()->text(), QStringLiteral("0"));
  EXPECT_EQ(editor.dialog.rules().at(1), (Rule{"r", "", "", Replace, 1, 1}));
}

TEST(PatternEditorDialogTest, EnterInATextEditPressesOk) {
  const RuleList rules = ruleList({Rule{"a", "c", "b", ReplaceBetween, 1, 1}});
  for (const char* name : {"pattern1Edit", "pattern2Edit", "pattern3Edit"}) {
    SCOPED_TRACE(name);
    Editor editor(rules);
    QTest::keyClick(editor.find<QWidget>(name), Qt::Key_Return);
    EXPECT_EQ(editor.dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(editor.dialog.isVisible());
    EXPECT_EQ(editor.dialog.rules(), rules);
  }
}

TEST(PatternEditorDialogTest, CancelAndEscapeLeaveTheCallersRules) {
  const RuleList original = ruleList({Rule{"a", "", "", Replace, 1, 1}});
  for (bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "Escape" : "Cancel");
    RuleList current = original;
    PatternEditorDialog editor(current, false);
    ModalAnswers answers;
    answers.then([escape](QWidget* modal) {
      QTest::keyClicks(modal->findChild<QPlainTextEdit*>("pattern1Edit"), QStringLiteral("x"));
      if (escape) {
        QTest::keyClick(modal, Qt::Key_Escape);
      } else {
        QTest::mouseClick(modal->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
      }
    });
    if (editor.exec() == QDialog::Accepted) current = editor.rules();
    EXPECT_EQ(editor.result(), QDialog::Rejected);
    EXPECT_EQ(editor.rules().at(0).Pattern1, "xa");  // typed at the caret, which starts at 0
    EXPECT_EQ(current, original);
  }
}

TEST(PatternEditorDialogTest, OkWithoutEditsHandsBackEveryRuleByteForByte) {
  const RuleList rules = ruleList({
      Rule{"\xff\xfe", "\xc0\xa0", "a\nb", Replace, 1, 1},
      Rule{"u", "w", "v", 12, -3, 0},
      Rule{"x\xa0y", "", "\xe9\n", SortByElement, 0, 2147483647},
  });
  Editor editor(rules);
  for (int row : {1, 2, 0, 2}) editor.clickEntry(row);
  editor.click("okButton");
  EXPECT_EQ(editor.dialog.result(), QDialog::Accepted);
  EXPECT_EQ(editor.dialog.rules(), rules);
}

TEST(PatternEditorDialogTest, DeletingTheLastRuleLeavesNothingToEdit) {
  Editor editor(
      ruleList({Rule{"a", "", "", ReplaceBetween, 1, 1}, Rule{"b", "", "", Replace, 1, 1}}));
  editor.click("deleteButton");
  EXPECT_EQ(editor.list()->currentRow(), 0);
  EXPECT_EQ(editor.pattern1()->toPlainText(), QStringLiteral("b"));

  editor.click("deleteButton");
  EXPECT_TRUE(editor.dialog.rules().empty());
  EXPECT_EQ(editor.list()->count(), 0);
  EXPECT_EQ(editor.controls().substr(0, 8), "-- -- --");
  EXPECT_FALSE(editor.fromStart()->isEnabled());
  EXPECT_TRUE(editor.pattern1()->toPlainText().isEmpty());
  editor.click("insertButton");
  editor.click("deleteButton");
  EXPECT_TRUE(editor.dialog.rules().empty());
}

}  // namespace
}  // namespace strovel
