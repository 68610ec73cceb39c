// The rules of a pattern as a chain of stages the text flows through in
// pieces: what rule 1 passes on is appended to rule 2, and so on, and what
// the last rule passes on goes to the output. The streaming actions pass
// text on as soon as they have decided it. The two sorts are barriers:
// they gather what they need and pass their whole result on when they
// finish. Finishing goes in rule order, each rule flushing into the next,
// and each rule's summary lines are formed when it finishes.
//
// A stage hands text to the next one by a direct call, so a piece runs
// through a group of stages on the stack; between groups it waits in a box
// and the chain passes it on in a loop. A pattern of any number of rules
// thus never nests calls deeper than one group.
//
//   std::string result;
//   RuleChain chain(rules, [&](std::string_view piece) { result += piece; }, language, notices);
//   chain.append("first piece");
//   chain.append("second piece");
//   std::vector<std::string> lines;
//   chain.finish(lines);  // result and one summary line per rule
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/catalogue/catalogue.h"
#include "app/catalogue/notice.h"
#include "engine/sorting.h"
#include "patterns/rule_list.h"

namespace strovel {

class RuleChain {
 public:
  using Sink = std::function<void(std::string_view piece)>;
  // `window`: how much text a streaming stage gathers before it decides;
  // `sortThreadsFrom`: the lines from which a sort uses two threads. The
  // rules must outlive the chain.
  RuleChain(const RuleList& rules, Sink out, const LanguageSelector& language, NoticeSink& notices,
            std::size_t window = 1 << 20, std::size_t sortThreadsFrom = kSortTwoThreadsFrom);
  RuleChain(const RuleChain&) = delete;
  RuleChain& operator=(const RuleChain&) = delete;
  ~RuleChain();

  // About how much text is to come: a sort holding what it receives
  // reserves room for it (room it never touches costs no memory).
  void expect(std::uint64_t bytes);
  void append(std::string_view text);
  // Finishes the rules in order and appends their summary lines (a rule
  // with an unknown action type has none: it is reported as notice 158).
  void finish(std::vector<std::string>& summaryLines);
  // True once every rule has formed its summary lines. A sort forms them
  // before it passes its text on, so when the rules after the last sort
  // have no action, the lines are all known before the first byte of text
  // leaves the chain.
  bool summariesKnown() const { return pending_ == 0; }
  // Appends the summary lines still to come as the rules would form them
  // if the rest of their text were like what each has looked at so far,
  // `share` (0 to 1, 0 when unknown) being the part of the input appended.
  // A guess, to plan the statistics block's size by.
  void projectSummaries(double share, std::vector<std::string>& lines) const;

  class Stage;

 private:
  static constexpr std::size_t kGroup = 16;
  void passOn(std::size_t group);

  std::vector<std::unique_ptr<Stage>> stages_;
  std::vector<std::string> boxes_;  // boxes_[g]: what group g has passed on to group g + 1
  std::string spare_;               // the box being passed on
  std::size_t pending_ = 0;         // rules whose summary lines are still to come
  std::vector<std::uint64_t> flow_;  // flow_[i]: bytes rule i has received; the last: passed out
  Sink out_;                        // the last stage's sink; used directly when there are no rules
};

}  // namespace strovel
