// The stages of a rule chain, one per action: each passes its text on and,
// when it finishes, adds its counts to the summary.
#include "engine/rule_chain.h"

#include <algorithm>
#include <new>
#include <optional>
#include <utility>

#include "engine/line_filters.h"
#include "engine/replace_between.h"
#include "engine/sort_by_element.h"
#include "engine/sort_distinct.h"

namespace strovel {

class RuleChain::Stage {
 public:
  virtual ~Stage() = default;
  virtual void expect(std::uint64_t /*bytes*/) {}
  virtual void append(std::string_view text) = 0;
  // Passes the rest on and adds what the rule did to the summary.
  virtual void finish(RunSummary& summary) = 0;
  // For a rule of about `total` bytes in all, which has passed on `passed`
  // so far: adds the counts it would reach if the rest were like what it
  // has seen, and turns `total` into the bytes it would pass on.
  virtual void project(double& /*total*/, std::uint64_t /*passed*/, RunSummary& /*summary*/) const {
  }
};

namespace {

// What every stage knows of its rule and of the run.
struct StageContext {
  const Rule& rule;
  NoticeSink& notices;
  RunProgress& progress;
  std::size_t* pending;  // the chain's count of rules still to finish

  // The rule's summary entry, counts to be filled.
  RuleSummary entry() const {
    RuleSummary entry;
    entry.action = rule.ActionType;
    entry.pattern1 = rule.Pattern1;
    entry.pattern2 = rule.Pattern2;
    return entry;
  }
  // The entry is complete: added, and counted as finished.
  void done(RunSummary& summary, RuleSummary entry) const {
    summary.push_back(std::move(entry));
    --*pending;
  }
};

// Replace, the two filters and the two replacing actions: one count each.
class StreamingStage : public RuleChain::Stage {
 public:
  StreamingStage(StageContext context, std::unique_ptr<StreamingAction> action)
      : context_(context), action_(std::move(action)) {}
  void append(std::string_view text) override { action_->append(text); }
  void finish(RunSummary& summary) override {
    RuleSummary entry = context_.entry();
    entry.count = action_->finish();
    finished_ = true;
    context_.done(summary, std::move(entry));
  }
  void project(double& total, std::uint64_t passed, RunSummary& summary) const override {
    if (finished_) {
      total = static_cast<double>(passed);
      return;
    }
    const StreamWindow& window = action_->window();
    const auto per = [&](std::uint64_t part) { return part > 0 ? total / double(part) : 1.0; };
    const double count = std::min(double(action_->count()) * per(window.examined()), 1e18);
    RuleSummary entry = context_.entry();
    entry.count = static_cast<std::uint64_t>(count + 0.5);
    summary.push_back(std::move(entry));
    total = double(passed) * per(window.consumed());
  }

 private:
  StageContext context_;
  std::unique_ptr<StreamingAction> action_;
  bool finished_ = false;
};

// SortByElement holds the text it receives (or puts it aside in sorted
// runs); at the end it counts and then passes the lines on in their new
// order, and gives its memory back.
class SortStage : public RuleChain::Stage {
 public:
  SortStage(StageContext context, TextSink sink, const SortContext& sorts)
      : context_(context), sink_(std::move(sink)), sort_(std::in_place, context.rule, sorts) {}
  void expect(std::uint64_t bytes) override { sort_->expect(bytes); }
  void append(std::string_view text) override {
    bytes_ += text.size();
    sort_->append(text);
  }
  void finish(RunSummary& summary) override {
    RuleSummary entry = context_.entry();
    entry.sort = sort_->finish();
    context_.done(summary, std::move(entry));
    finished_ = true;
    sort_->write(sink_);
    sort_.reset();
  }
  // Once sorted, it passes on as much as it received.
  void project(double& total, std::uint64_t, RunSummary&) const override {
    if (finished_) total = static_cast<double>(bytes_);
  }

 private:
  StageContext context_;
  TextSink sink_;
  std::optional<ElementSort> sort_;
  std::uint64_t bytes_ = 0;
  bool finished_ = false;
};

// SortDistinct keeps only the lines that stay; at the end it counts and
// reports every kept element, and then passes the lines on in order.
class DistinctStage : public RuleChain::Stage {
 public:
  DistinctStage(StageContext context, TextSink sink, std::size_t window, const SortContext& sorts)
      : context_(context), action_(std::in_place, context.rule, std::move(sink), sorts, window) {}
  void append(std::string_view text) override { action_->append(text); }
  void finish(RunSummary& summary) override {
    action_->finish();
    RuleSummary entry = context_.entry();
    entry.distinct = action_->counts();
    entry.report = action_->report();
    context_.done(summary, std::move(entry));
    keptBytes_ = action_->keptBytes();
    action_->write(&context_.progress);
    action_.reset();
  }
  void project(double& total, std::uint64_t, RunSummary&) const override {
    if (keptBytes_) total = static_cast<double>(*keptBytes_);
  }

 private:
  StageContext context_;
  std::optional<StreamSortDistinct> action_;
  std::optional<std::uint64_t> keptBytes_;  // once finished
};

// A rule whose action type is unknown passes the text on unchanged.
class PassStage : public RuleChain::Stage {
 public:
  PassStage(StageContext context, TextSink sink) : context_(context), sink_(std::move(sink)) {}
  void append(std::string_view text) override { sink_(text); }
  void finish(RunSummary&) override { context_.notices.notify({TextId::UnknownAction, {}}); }

 private:
  StageContext context_;
  TextSink sink_;
};

std::unique_ptr<RuleChain::Stage> makeStage(const StageContext& c, TextSink sink,
                                            std::size_t window, const SortContext& sorts) {
  const auto streaming = [&](std::unique_ptr<StreamingAction> action) {
    return std::make_unique<StreamingStage>(c, std::move(action));
  };
  switch (c.rule.ActionType) {
    case Replace:
      return streaming(std::make_unique<StreamReplace>(c.rule, std::move(sink), window));
    case KeepLinesWith:
    case DeleteLinesWith:
      return streaming(std::make_unique<StreamFilter>(c.rule, c.rule.ActionType == KeepLinesWith,
                                                      std::move(sink), window));
    case ReplaceBetween:
      return streaming(std::make_unique<StreamReplaceBetween>(c.rule, std::move(sink), window));
    case ReplaceBetweenInFile:
      return streaming(std::make_unique<StreamReplaceInFile>(c.rule, std::move(sink), window));
    case SortByElement:
      return std::make_unique<SortStage>(c, std::move(sink), sorts);
    case SortDistinct:
      return std::make_unique<DistinctStage>(c, std::move(sink), window, sorts);
    default:
      return std::make_unique<PassStage>(c, std::move(sink));
  }
}

}  // namespace

RuleChain::RuleChain(const RuleList& rules, NoticeSink& notices, const SortContext& sorts,
                     std::size_t window) {
  const std::size_t groups = (rules.size() + kGroup - 1) / kGroup;
  boxes_.resize(groups > 0 ? groups - 1 : 0);
  // Built from the last rule back, so that each stage's sink is the stage
  // after it, or the box at the end of its group.
  stages_.resize(rules.size());
  flow_.resize(rules.size() + 1);
  for (std::size_t i = rules.size(); i-- > 0;) {
    TextSink sink;
    std::uint64_t* passed = &flow_[i + 1];
    if (i + 1 == rules.size()) {
      sink = [this, passed](std::string_view piece) {
        *passed += piece.size();
        (*out_)(piece);
      };
    } else if ((i + 1) % kGroup == 0) {
      sink = [box = &boxes_[i / kGroup], passed](std::string_view piece) {
        *passed += piece.size();
        box->append(piece);
      };
    } else {
      sink = [next = stages_[i + 1].get(), passed](std::string_view piece) {
        *passed += piece.size();
        next->append(piece);
      };
    }
    const Rule& rule = rules.at(i);
    stages_[i] =
        makeStage({rule, notices, sorts.progress, &pending_}, std::move(sink), window, sorts);
    if (rule.ActionType >= Replace && rule.ActionType <= ReplaceBetweenInFile) ++pending_;
  }
}

RuleChain::~RuleChain() = default;

void RuleChain::expect(std::uint64_t bytes) {
  for (const std::unique_ptr<Stage>& stage : stages_) stage->expect(bytes);
}

void RuleChain::append(std::string_view text, const TextSink& out) {
  if (text.empty()) return;
  flow_[0] += text.size();
  if (stages_.empty()) return out(text);
  out_ = &out;
  stages_.front()->append(text);
  passOn(0);
}

RunSummary RuleChain::projectSummary(double share) const {
  // The rules finish in order: those that have are followed by the guesses
  // of those that have not.
  RunSummary projected = summary_;
  double total = static_cast<double>(flow_[0]);
  if (share > 0 && share < 1) total /= share;
  for (std::size_t i = 0; i < stages_.size(); ++i)
    stages_[i]->project(total, flow_[i + 1], projected);
  return projected;
}

// Moves what has gathered in the box behind group g through the groups
// after it, one group at a time.
void RuleChain::passOn(std::size_t group) {
  for (std::size_t g = group; g < boxes_.size() && !boxes_[g].empty(); ++g) {
    spare_.clear();
    spare_.swap(boxes_[g]);
    stages_[(g + 1) * kGroup]->append(spare_);
  }
}

void RuleChain::finish(const TextSink& out) {
  out_ = &out;
  for (std::size_t i = 0; i < stages_.size(); ++i) {
    stages_[i]->finish(summary_);
    passOn(i / kGroup);
  }
}

}  // namespace strovel
