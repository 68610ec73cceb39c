// PatternEditorModel without widgets: the action-type box's tables, where
// the selection goes after Add, Insert and Delete, and how the number edits'
// texts are read.
#include "editor/pattern_editor_model.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace strovel {
namespace {

struct ActionRow {
  int position;
  std::int32_t actionType;
  int nameId;
  ControlStates states;  // pattern2Enabled, pattern3Enabled, numbersShown
};

const ActionRow kActionRows[] = {
    {0, Replace, 102, {true, false, false}},
    {1, KeepLinesWith, 104, {false, false, false}},
    {2, DeleteLinesWith, 106, {false, false, false}},
    {3, ReplaceBetween, 108, {true, true, true}},
    {4, ReplaceBetweenInFile, 182, {true, true, false}},
    {5, SortByElement, 110, {true, false, true}},
    {6, SortDistinct, 112, {true, false, true}},
};

TEST(ActionTablesTest, EachPositionCarriesItsActionNameAndControls) {
  for (const ActionRow& row : kActionRows) {
    SCOPED_TRACE(row.position);
    EXPECT_EQ(actionTypeAt(row.position), row.actionType);
    EXPECT_EQ(positionOfAction(row.actionType), row.position);
    EXPECT_EQ(actionNameId(row.actionType), row.nameId);
    EXPECT_EQ(controlStatesFor(row.actionType), row.states);
  }
}

TEST(ActionTablesTest, CodesAndPositionsOutsideTheBoxNameNothing) {
  for (int position : {-1, 7, 100}) EXPECT_EQ(actionTypeAt(position), -1) << position;
  for (std::int32_t code : {0, -1, 8, 12, INT32_MIN}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(positionOfAction(code), -1);
    EXPECT_EQ(actionNameId(code), 0);
    EXPECT_EQ(controlStatesFor(code), std::nullopt);
  }
}

// Three rules told apart by Pattern1: "a", "b", "c".
RuleList threeRules() {
  RuleList rules;
  for (const char* text : {"a", "b", "c"}) rules.append(Rule{text, "", "", Replace, 1, 1});
  return rules;
}

std::string firstTexts(const RuleList& rules) {
  std::string texts;
  for (const Rule& rule : rules) texts += rule.Pattern1.empty() ? "_" : rule.Pattern1;
  return texts;
}

TEST(PatternEditorModelTest, AddAppendsAndInsertGoesBeforeTheSelectedRule) {
  PatternEditorModel model(threeRules());
  EXPECT_EQ(model.insertRule(Replace), std::nullopt);  // nothing selected yet
  EXPECT_EQ(model.addRule(ReplaceBetweenInFile), 3u);
  EXPECT_EQ(model.rules().at(3), (Rule{"", "", "", ReplaceBetweenInFile, 1, 1}));

  model.select(1);
  EXPECT_EQ(model.insertRule(SortDistinct), 1u);
  EXPECT_EQ(model.selected(), 1u);
  EXPECT_EQ(firstTexts(model.rules()), "a_bc_");
  EXPECT_EQ(model.rules().at(1), (Rule{"", "", "", SortDistinct, 1, 1}));
}

TEST(PatternEditorModelTest, DeleteSelectsTheFollowerOrTheNewLastRule) {
  struct Case {
    std::size_t deleted;
    const char* left;
    std::size_t selected;
  };
  for (const Case& c : {Case{2, "ab", 1}, Case{0, "bc", 0}, Case{1, "ac", 1}}) {
    SCOPED_TRACE(c.deleted);
    PatternEditorModel model(threeRules());
    model.select(c.deleted);
    model.deleteRule();
    EXPECT_EQ(firstTexts(model.rules()), c.left);
    EXPECT_EQ(model.selected(), c.selected);
  }
}

TEST(PatternEditorModelTest, WithoutASelectionNothingChanges) {
  PatternEditorModel model(threeRules());
  model.storePatternText(RuleField::Pattern1, "x");
  model.storeLocation(LocationField::FromStart, "5");
  model.deleteRule();
  EXPECT_EQ(model.insertRule(Replace), std::nullopt);
  EXPECT_EQ(model.rules(), threeRules());

  model.select(0);
  for (int i = 0; i < 3; ++i) model.deleteRule();  // the selection stays on the first rule
  EXPECT_TRUE(model.rules().empty());
  EXPECT_EQ(model.selected(), std::nullopt);
}

TEST(PatternEditorModelTest, LocationTextsReadAsAtoiWithinTheEditBuffer) {
  struct Case {
    std::string text;
    std::int32_t value;
  };
  const std::vector<Case> cases = {
      {"", 0},
      {"12abc", 12},
      {"abc", 0},
      {"  -7", -7},
      {"99999999999", INT32_MAX},
      {"-99999999999", INT32_MIN},
      {std::string(126, ' ') + "5", 5},
      {std::string(127, ' ') + "5", 0},  // the digit lies beyond the 127 bytes read
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    PatternEditorModel model(threeRules());
    model.select(0);
    model.storeLocation(LocationField::AfterPattern1, c.text);
    EXPECT_EQ(model.rules().at(0).LocationAfterPattern1, c.value);
  }
}

}  // namespace
}  // namespace strovel
