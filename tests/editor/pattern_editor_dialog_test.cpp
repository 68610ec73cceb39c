// The pattern editor driven as a user drives it: the dialog is shown on the
// offscreen platform, its controls are found by object name and get clicks
// and keys from QTest; the rules it hands back are compared with the rules
// expected.
#include "editor/pattern_editor_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/catalogue/catalogue.h"
#include "ui/ui_text.h"

namespace strovel {
namespace {

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

  template <class Widget = QWidget>
  Widget* find(const char* name) {
    auto* widget = dialog.findChild<Widget*>(QLatin1String(name));
    if (!widget) throw std::runtime_error(std::string("no control named ") + name);
    return widget;
  }
  QComboBox* actionType() { return find<QComboBox>("actionType"); }
  QListWidget* list() { return find<QListWidget>("ruleList"); }
  QPlainTextEdit* pattern1() { return find<QPlainTextEdit>("pattern1Edit"); }
  QLineEdit* fromStart() { return find<QLineEdit>("locationFromStartEdit"); }

  void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
  void clickEntry(int row) {
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                      list()->visualItemRect(list()->item(row)).center());
  }
  // The usable controls, "P1 P2 P3 N" with "--" for a disabled edit or
  // hidden numbers; "N?" when the number edits and their labels disagree.
  std::string controls() {
    std::string state;
    for (const char* edit : {"pattern1Edit", "pattern2Edit", "pattern3Edit"})
      state += find(edit)->isEnabled() ? std::string{'P', edit[7], ' '} : "-- ";
    int numbers = 0;
    for (const char* name : {"locationFromStartEdit", "locationAfterPattern1Edit",
                             "locationFromStartLabel", "locationAfterPattern1Label"})
      numbers += find(name)->isVisible() && find(name)->isEnabled();
    return state + (numbers == 4 ? "N" : numbers == 0 ? "--" : "N?");
  }

  PatternEditorDialog dialog;
};

TEST(PatternEditorDialogTest, NewPatternStartsEmptyAndNewRulesTakeTheChosenAction) {
  Editor editor(ruleList({Rule{"ignored", "", "", Replace, 1, 1}}), true);
  EXPECT_EQ(editor.actionType()->currentIndex(), 0);
  EXPECT_EQ(editor.controls().substr(0, 8), "-- -- --");

  for (int position : {4, 2}) {
    editor.actionType()->setCurrentIndex(position);
    editor.click("addButton");
  }
  EXPECT_EQ(editor.controls(), "P1 -- -- --");  // the second rule is selected
  editor.clickEntry(0);
  editor.actionType()->setCurrentIndex(0);
  editor.click("insertButton");
  EXPECT_EQ(editor.controls(), "P1 P2 -- --");  // the new first rule is selected
  // The box only chooses the next rule's action.
  editor.actionType()->setCurrentIndex(6);
  EXPECT_EQ(editor.list()->item(0)->text(), toDisplay(loadString(102)));
  EXPECT_EQ(editor.dialog.rules(),
            ruleList({Rule{"", "", "", Replace, 1, 1}, Rule{"", "", "", ReplaceBetweenInFile, 1, 1},
                      Rule{"", "", "", DeleteLinesWith, 1, 1}}));
}

TEST(PatternEditorDialogTest, ControlsFollowTheSelectionUntilTheLastRuleIsDeleted) {
  Editor editor(ruleList({Rule{"f", "", "", ReplaceBetweenInFile, 1, 1},
                          Rule{"[", "new", "]", ReplaceBetween, 2, 3},
                          Rule{"u", "w", "v", 12, 7, 8}, Rule{"z", "", "", Replace, 1, 1}}));
  EXPECT_EQ(editor.actionType()->currentIndex(), 4);
  EXPECT_EQ(editor.list()->currentRow(), 0);
  EXPECT_EQ(editor.pattern1()->toPlainText(), QStringLiteral("f"));
  EXPECT_EQ(editor.controls(), "P1 P2 P3 --");
  editor.clickEntry(1);
  EXPECT_EQ(editor.controls(), "P1 P2 P3 N");
  // A code that names no action: an empty entry, the controls as they were,
  // its texts and numbers shown all the same.
  editor.clickEntry(0);
  editor.clickEntry(2);
  EXPECT_EQ(editor.list()->item(2)->text(), QString());
  EXPECT_EQ(editor.controls(), "P1 P2 P3 --");
  EXPECT_EQ(editor.fromStart()->text(), QStringLiteral("7"));

  // Delete selects the follower of the deleted rule, or the new last one.
  using Step = std::pair<int, const char*>;  // the entry deleted, the text shown after
  for (const auto& [row, shown] : {Step{1, "u"}, Step{2, "u"}, Step{0, "u"}, Step{0, ""}}) {
    editor.clickEntry(row);
    editor.click("deleteButton");
    EXPECT_EQ(editor.pattern1()->toPlainText(), QString::fromUtf8(shown));
  }
  EXPECT_TRUE(editor.dialog.rules().empty());
  EXPECT_EQ(editor.list()->count(), 0);
  EXPECT_EQ(editor.controls().substr(0, 8), "-- -- --");
  EXPECT_FALSE(editor.fromStart()->isEnabled());
  for (const char* button : {"insertButton", "deleteButton"}) editor.click(button);
  EXPECT_TRUE(editor.dialog.rules().empty());
  // An action box without a selection gives new rules its first action.
  editor.actionType()->setCurrentIndex(-1);
  editor.click("addButton");
  EXPECT_EQ(editor.dialog.rules(), ruleList({Rule{"", "", "", Replace, 1, 1}}));
  EXPECT_EQ(editor.actionType()->currentIndex(), 0);
}

TEST(PatternEditorDialogTest, TypingGoesIntoTheSelectedRule) {
  Editor editor(
      ruleList({Rule{"", "", "\xc2\xa0", ReplaceBetween, 5, 6}, Rule{"r", "", "", Replace, 1, 1}}));
  QTest::keyClicks(editor.pattern1(), QStringLiteral("a"));
  QTest::keyClick(editor.pattern1(), Qt::Key_Return, Qt::ControlModifier);
  QTest::keyClicks(editor.pattern1(), QStringLiteral("b"));
  QTest::keyClicks(editor.find("pattern2Edit"), QStringLiteral("y"));  // before a no-break space
  QTest::keyClicks(editor.find("pattern3Edit"), QStringLiteral("z"));
  editor.fromStart()->selectAll();
  QTest::keyClick(editor.fromStart(), Qt::Key_Backspace);
  QTest::keyClicks(editor.fromStart(), QStringLiteral("x-"));  // digits only
  QTest::keyClicks(editor.find("locationAfterPattern1Edit"), QStringLiteral("4"));
  EXPECT_EQ(editor.dialog.rules().at(0), (Rule{"a\nb", "z", "y\xc2\xa0", ReplaceBetween, 0, 64}));

  editor.clickEntry(1);
  editor.clickEntry(0);
  EXPECT_EQ(editor.pattern1()->blockCount(), 2);
  EXPECT_EQ(editor.fromStart()->text(), QStringLiteral("0"));
  EXPECT_EQ(editor.dialog.rules().at(1), (Rule{"r", "", "", Replace, 1, 1}));
}

// What the user sees of a rule beyond the edits: a line break in the
// one-line Pattern3 as a mark (stored as the LF it is), each list entry's
// whole text as its tooltip, OK as the one default button wherever the
// focus is, and a dialog that keeps its size.
TEST(PatternEditorDialogTest, ShowsLineBreaksEntriesAndItsDefaultButtonWhole) {
  Editor editor(ruleList({Rule{"[", "a\nb", "]", ReplaceBetween, 1, 1}}));
  auto* pattern3 = editor.find<QLineEdit>("pattern3Edit");
  EXPECT_EQ(pattern3->text(), QStringLiteral("a\u21B5b"));
  pattern3->end(false);
  QTest::keyClicks(pattern3, QStringLiteral("c"));
  EXPECT_EQ(editor.dialog.rules().at(0).Pattern3, "a\nbc");

  const QSize size = editor.dialog.size();
  for (int i = 0; i < 30; ++i) editor.click("addButton");
  for (int row : {0, 30}) {
    EXPECT_FALSE(editor.list()->item(row)->text().isEmpty());
    EXPECT_EQ(editor.list()->item(row)->toolTip(), editor.list()->item(row)->text());
  }
  EXPECT_EQ(editor.dialog.size(), size);
  EXPECT_EQ(editor.dialog.minimumSize(), editor.dialog.maximumSize());

  for (const char* focus : {"addButton", "deleteButton", "cancelButton", "ruleList"}) {
    editor.find(focus)->setFocus();
    QStringList defaults;
    for (auto* button : editor.dialog.findChildren<QPushButton*>())
      if (button->isDefault() || button->autoDefault()) defaults << button->objectName();
    EXPECT_EQ(defaults, QStringList{QStringLiteral("okButton")}) << focus;
  }
}

// Every way out, after looking at each rule: OK and Enter in a text edit
// hand back the rules byte for byte, invalid text bytes and unknown codes
// included; Cancel and Escape reject them, so the caller keeps its own.
TEST(PatternEditorDialogTest, ClosingAcceptsOrRejectsTheUntouchedRules) {
  const RuleList rules = ruleList({
      Rule{"u", "w", "v", 12, -3, 0},
      Rule{"\xff\xfe", "\xc0\xa0", "a\nb", ReplaceBetween, 1, 1},
      Rule{"x\xa0y", "", "\xe9\n", SortByElement, 0, 2147483647},
  });
  struct Case {
    const char* control;
    Qt::Key key;
    QDialog::DialogCode result;
  };
  for (const Case& c : {Case{"okButton", Qt::Key_Space, QDialog::Accepted},
                        Case{"pattern1Edit", Qt::Key_Return, QDialog::Accepted},
                        Case{"pattern2Edit", Qt::Key_Enter, QDialog::Accepted},
                        Case{"pattern3Edit", Qt::Key_Return, QDialog::Accepted},
                        Case{"cancelButton", Qt::Key_Space, QDialog::Rejected},
                        Case{"pattern1Edit", Qt::Key_Escape, QDialog::Rejected}}) {
    SCOPED_TRACE(testing::Message() << c.control << " " << c.key);
    Editor editor(rules);
    EXPECT_EQ(editor.actionType()->currentIndex(), -1);  // the first rule's code names no action
    for (int row : {2, 0, 1}) editor.clickEntry(row);
    QTest::keyClick(editor.find(c.control), c.key);
    EXPECT_EQ(editor.dialog.result(), c.result);
    EXPECT_EQ(editor.dialog.rules(), rules);
  }
}

}  // namespace
}  // namespace strovel
