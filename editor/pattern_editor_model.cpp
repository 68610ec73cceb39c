// The pattern editor's model: one table ties each position of the
// action-type box to its action code, the catalogue id of its name and the
// state of the editor's controls; the rule list operations keep exactly one
// selected rule, or none once the list is empty.
#include "editor/pattern_editor_model.h"

#include <utility>

#include "patterns/pattern_file.h"

namespace strovel {
namespace {

struct ActionRow {
  std::int32_t actionType;
  TextId name;
  ControlStates states;
};

// In the order of the action-type box, which is not the order of the codes.
// Control states: Pattern2 enabled, Pattern3 enabled, numbers shown.
constexpr ActionRow kActionRows[kActionPositions] = {
    {Replace, TextId::ReplaceName, {true, false, false}},
    {KeepLinesWith, TextId::KeepLinesName, {false, false, false}},
    {DeleteLinesWith, TextId::DeleteLinesName, {false, false, false}},
    {ReplaceBetween, TextId::ReplaceBetweenName, {true, true, true}},
    {ReplaceBetweenInFile, TextId::ReplaceBetweenInFileName, {true, true, false}},
    {SortByElement, TextId::SortByElementName, {true, false, true}},
    {SortDistinct, TextId::SortDistinctName, {true, false, true}},
};

const ActionRow* rowOf(std::int32_t actionType) {
  for (const ActionRow& row : kActionRows) {
    if (row.actionType == actionType) return &row;
  }
  return nullptr;
}

// A rule made by Add or Insert: empty texts, the first occurrences.
Rule newRule(std::int32_t actionType) {
  Rule rule;
  rule.ActionType = actionType;
  rule.LocationFromStart = 1;
  rule.LocationAfterPattern1 = 1;
  return rule;
}

// The number edit's text is read through a 128-character buffer.
constexpr std::size_t kLocationTextLimit = 127;

}  // namespace

std::int32_t actionTypeAt(int position) {
  if (position < 0 || position >= kActionPositions) return -1;
  return kActionRows[position].actionType;
}

int positionOfAction(std::int32_t actionType) {
  const ActionRow* row = rowOf(actionType);
  return row ? static_cast<int>(row - kActionRows) : -1;
}

std::optional<TextId> actionName(std::int32_t actionType) {
  const ActionRow* row = rowOf(actionType);
  if (!row) return std::nullopt;
  return row->name;
}

std::optional<ControlStates> controlStatesFor(std::int32_t actionType) {
  const ActionRow* row = rowOf(actionType);
  if (!row) return std::nullopt;
  return row->states;
}

PatternEditorModel::PatternEditorModel(RuleList rules) : rules_(std::move(rules)) {}

std::size_t PatternEditorModel::addRule(std::int32_t actionType) {
  selected_ = rules_.append(newRule(actionType));
  return *selected_;
}

std::optional<std::size_t> PatternEditorModel::insertRule(std::int32_t actionType) {
  if (!selected_) return std::nullopt;
  rules_.insertBefore(*selected_);
  rules_.at(*selected_) = newRule(actionType);
  return selected_;
}

void PatternEditorModel::deleteRule() {
  if (!selected_) return;
  const std::size_t index = *selected_;
  rules_.removeAt(index);
  if (index < rules_.size()) return;  // the follower moved into the selected place
  selected_ = rules_.empty() ? std::nullopt : std::optional<std::size_t>(rules_.size() - 1);
}

void PatternEditorModel::storePatternText(RuleField field, std::string bytes) {
  if (!selected_) return;
  Rule& rule = rules_.at(*selected_);
  switch (field) {
    case RuleField::Pattern1:
      rule.Pattern1 = std::move(bytes);
      break;
    case RuleField::Pattern2:
      rule.Pattern2 = std::move(bytes);
      break;
    case RuleField::Pattern3:
      rule.Pattern3 = std::move(bytes);
      break;
  }
}

void PatternEditorModel::storeLocation(LocationField field, std::string_view text) {
  if (!selected_) return;
  const std::int32_t value = parseAtoi(text.substr(0, kLocationTextLimit));
  Rule& rule = rules_.at(*selected_);
  if (field == LocationField::FromStart) {
    rule.LocationFromStart = value;
  } else {
    rule.LocationAfterPattern1 = value;
  }
}

}  // namespace strovel
