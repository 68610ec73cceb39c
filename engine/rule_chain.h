// The rules of a pattern as a chain of stages the text flows through in
// pieces: what rule 1 passes on is appended to rule 2, and so on, and what
// the last rule passes on goes to the caller's sink. The streaming actions
// pass text on as soon as they have decided it. The two sorts are
// barriers: they gather what they need and pass their whole result on when
// they finish. Finishing goes in rule order, each rule flushing into the
// next; each rule counts what it did, and the chain's summary gathers the
// counts as the rules finish (a rule with an unknown action is reported as
// a notice instead).
//
// A stage hands text to the next one by a direct call, so a piece runs
// through a group of stages on the stack; between groups it waits in a box
// and the chain passes it on in a loop. A pattern of any number of rules
// thus never nests calls deeper than one group.
//
//   std::string result;
//   const TextSink out = [&](std::string_view piece) { result += piece; };
//   RuleChain chain(rules, notices, sorts);
//   chain.append("first piece", out);
//   chain.append("second piece", out);
//   chain.finish(out);  // result, and chain.summary(): one entry per rule
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/notice.h"
#include "engine/run_progress.h"
#include "engine/run_summary.h"
#include "engine/sort_context.h"
#include "engine/text_sink.h"
#include "patterns/rule_list.h"

namespace strovel {

class RuleChain {
 public:
  // `window`: how much text a streaming stage gathers before it decides;
  // `sorts`: what the sorts share (their budget, where their runs go, the
  // progress hook). The rules, the notices and the sorts' context must
  // outlive the chain.
  RuleChain(const RuleList& rules, NoticeSink& notices, const SortContext& sorts,
            std::size_t window = 1 << 20);
  RuleChain(const RuleChain&) = delete;
  RuleChain& operator=(const RuleChain&) = delete;
  ~RuleChain();

  // About how much text is to come: a sort holding what it receives
  // reserves room for it (room it never touches costs no memory).
  void expect(std::uint64_t bytes);
  // Runs the text through the rules; what the last one passes on goes to `out`.
  void append(std::string_view text, const TextSink& out);
  // Finishes the rules in order; what they pass on goes to `out`.
  void finish(const TextSink& out);

  // What the rules that have finished did, in rule order.
  const RunSummary& summary() const { return summary_; }
  // True once every rule with a known action has finished. A sort finishes
  // before it passes its text on, so when the rules after the last sort
  // have no action, the summary is complete before the first byte of text
  // leaves the chain.
  bool summaryKnown() const { return pending_ == 0; }
  // The summary as the rules would give it if the rest of their text were
  // like what each has looked at so far, `share` (0 to 1, 0 when unknown)
  // being the part of the input appended. A guess, to plan by.
  RunSummary projectSummary(double share) const;

  class Stage;

 private:
  static constexpr std::size_t kGroup = 16;
  void passOn(std::size_t group);

  std::vector<std::unique_ptr<Stage>> stages_;
  std::vector<std::string> boxes_;   // boxes_[g]: what group g has passed on to group g + 1
  std::string spare_;                // the box being passed on
  std::size_t pending_ = 0;          // rules with a known action still to finish
  std::vector<std::uint64_t> flow_;  // flow_[i]: bytes rule i has received; the last: passed out
  const TextSink* out_ = nullptr;    // where the last rule's text goes during a call
  RunSummary summary_;
};

}  // namespace strovel
