// PatternEditorModel without widgets: the action-type box's table and how
// the number edits' texts are read. Add, Insert, Delete and the selection
// are driven through the dialog's own tests.
#include "editor/pattern_editor_model.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace strovel {
namespace {

TEST(ActionTablesTest, EachPositionCarriesItsActionNameAndControls) {
  struct Row {
    int position;  // -1: the code is at no position of the box
    std::int32_t actionType;
    int nameId;
    std::optional<ControlStates> states;  // pattern2Enabled, pattern3Enabled, numbersShown
  };
  const Row rows[] = {
      {0, Replace, 102, ControlStates{true, false, false}},
      {1, KeepLinesWith, 104, ControlStates{false, false, false}},
      {2, DeleteLinesWith, 106, ControlStates{false, false, false}},
      {3, ReplaceBetween, 108, ControlStates{true, true, true}},
      {4, ReplaceBetweenInFile, 182, ControlStates{true, true, false}},
      {5, SortByElement, 110, ControlStates{true, false, true}},
      {6, SortDistinct, 112, ControlStates{true, false, true}},
      {-1, 0, 0, std::nullopt},
      {-1, 8, 0, std::nullopt},
      {-1, 12, 0, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.actionType);
    EXPECT_EQ(actionTypeAt(row.position), row.position < 0 ? -1 : row.actionType);
    EXPECT_EQ(positionOfAction(row.actionType), row.position);
    EXPECT_EQ(actionNameId(row.actionType), row.nameId);
    EXPECT_EQ(controlStatesFor(row.actionType), row.states);
  }
  for (int position : {7, 100}) EXPECT_EQ(actionTypeAt(position), -1) << position;
}

TEST(PatternEditorModelTest, LocationTextsReadAsAtoiWithinTheEditBuffer) {
  const std::vector<std::pair<std::string, std::int32_t>> cases = {
      {"", 0},
      {"12abc", 12},
      {"  -7", -7},
      {"99999999999", INT32_MAX},
      {"-99999999999", INT32_MIN},
      {std::string(126, ' ') + "5", 5},
      {std::string(127, ' ') + "5", 0},  // the digit lies beyond the 127 bytes read
  };
  for (const auto& [text, value] : cases) {
    SCOPED_TRACE(text);
    PatternEditorModel model;
    model.addRule(Replace);  // and selects it
    model.storeLocation(LocationField::AfterPattern1, text);
    EXPECT_EQ(model.rules().at(0).LocationAfterPattern1, value);
  }
}

}  // namespace
}  // namespace strovel
