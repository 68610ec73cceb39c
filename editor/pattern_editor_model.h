// What the pattern editor edits, without any widget: its own copy of the
// rules, which rule is selected, and the tables that tie the editor's
// action-type box to action codes, names and control states. Every change
// goes to the selected rule; with no rule selected nothing is changed.
//
//   PatternEditorModel model(currentRules);
//   model.addRule(actionTypeAt(3));                  // a ReplaceBetween rule, selected
//   model.storePatternText(RuleField::Pattern1, "[");
//   model.storeLocation(LocationField::FromStart, "2");
//   currentRules = model.rules();                    // on OK
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/text_id.h"
#include "patterns/rule_list.h"

namespace strovel {

// The action-type box lists seven actions, not in code order.
inline constexpr int kActionPositions = 7;

// The action code at a position of the box; -1 for no selection (-1) or a
// position out of range.
std::int32_t actionTypeAt(int position);
// The position that carries this action code, or -1.
int positionOfAction(std::int32_t actionType);
// The catalogue text of the action's name, or nullopt for a code that
// names no action (its list entry is empty).
std::optional<TextId> actionName(std::int32_t actionType);

struct ControlStates {
  bool pattern2Enabled;
  bool pattern3Enabled;
  bool numbersShown;  // the two location edits and their labels
  bool operator==(const ControlStates&) const = default;
};
// The editor's controls for a rule of this action; nullopt for a code that
// names no action (the controls then stay as they are).
std::optional<ControlStates> controlStatesFor(std::int32_t actionType);

enum class RuleField { Pattern1, Pattern2, Pattern3 };
enum class LocationField { FromStart, AfterPattern1 };

class PatternEditorModel {
 public:
  explicit PatternEditorModel(RuleList rules = {});

  const RuleList& rules() const { return rules_; }
  std::optional<std::size_t> selected() const { return selected_; }
  // Precondition: index < rules().size() when given.
  void select(std::optional<std::size_t> index) { selected_ = index; }

  // Appends a new rule (empty texts, both locations 1) and selects it.
  std::size_t addRule(std::int32_t actionType);
  // Puts a new rule before the selected one and selects the new rule;
  // nothing without a selection.
  std::optional<std::size_t> insertRule(std::int32_t actionType);
  // Removes the selected rule and selects the one that followed it, or the
  // new last one; no selection once the list is empty.
  void deleteRule();

  // The selected rule's text becomes these bytes (LF line breaks).
  void storePatternText(RuleField field, std::string bytes);
  // The selected rule's location becomes the number the text reads as
  // (atoi: 0 when there is no digit; clamped to 32 bits).
  void storeLocation(LocationField field, std::string_view text);

 private:
  RuleList rules_;
  std::optional<std::size_t> selected_;
};

}  // namespace strovel
