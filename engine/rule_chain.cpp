// The stages of a rule chain, one per action, and the summary lines they
// form when they finish.
#include "engine/rule_chain.h"

#include <algorithm>
#include <new>
#include <optional>
#include <utility>

#include "engine/line_filters.h"
#include "engine/replace_between.h"
#include "engine/sorting.h"
#include "platform/codepage.h"

namespace strovel {

class RuleChain::Stage {
 public:
  virtual ~Stage() = default;
  virtual void expect(std::uint64_t /*bytes*/) {}
  virtual void append(std::string_view text) = 0;
  // Passes the rest on and adds the rule's summary lines.
  virtual void finish(std::vector<std::string>& lines) = 0;
  // For a rule of about `total` bytes in all, which has passed on `passed`
  // so far: adds the summary lines it would form if the rest were like what
  // it has seen, and turns `total` into the bytes it would pass on.
  virtual void project(double& /*total*/, std::uint64_t /*passed*/,
                       std::vector<std::string>& /*lines*/) const {}
};

namespace {

constexpr std::size_t kShownPatternBytes = 60;
constexpr std::size_t kShownKeyBytes = 990;

// A rule text as a summary line shows it: at most 60 bytes, then "...".
std::string shown(const std::string& text, bool utf8) {
  if (text.size() <= kShownPatternBytes) return text;
  return text.substr(0, cutPrefixLength(text, kShownPatternBytes, utf8)) + "...";
}

// What every stage knows of its rule and of the run.
struct StageContext {
  const Rule& rule;
  const LanguageSelector& language;
  NoticeSink& notices;
  bool utf8;
  std::size_t* pending;  // the chain's count of rules whose summary lines are still to come

  void formed() const { --*pending; }

  std::string summary(int textId, std::initializer_list<TextArg> args) const {
    return formatText(localizedString(language, textId), args);
  }
  std::string first() const { return shown(rule.Pattern1, utf8); }
  std::string second() const { return shown(rule.Pattern2, utf8); }
};

// Replace, the two filters and the two replacing actions: one count each.
template <typename Action>
class CountingStage : public RuleChain::Stage {
 public:
  CountingStage(StageContext context, Action action)
      : context_(context), action_(std::move(action)) {}
  void append(std::string_view text) override { action_.append(text); }
  void finish(std::vector<std::string>& lines) override {
    lines.push_back(line(action_.finish()));
    finished_ = true;
    context_.formed();
  }
  void project(double& total, std::uint64_t passed,
               std::vector<std::string>& lines) const override {
    if (finished_) {
      total = static_cast<double>(passed);
      return;
    }
    const StreamWindow& window = action_.window();
    const auto per = [&](std::uint64_t part) { return part > 0 ? total / double(part) : 1.0; };
    const double count = std::min(double(action_.count()) * per(window.examined()), 1e18);
    lines.push_back(line(static_cast<std::uint64_t>(count + 0.5)));
    total = double(passed) * per(window.consumed());
  }

 private:
  std::string line(std::uint64_t count) const {
    const StageContext& c = context_;
    switch (c.rule.ActionType) {
      case KeepLinesWith:
        return c.summary(146, {c.first(), count});
      case DeleteLinesWith:
        return c.summary(148, {c.first(), count});
      default:
        return c.summary(c.rule.ActionType == Replace ? 144 : 150, {c.first(), c.second(), count});
    }
  }

  StageContext context_;
  Action action_;
  bool finished_ = false;
};

// SortByElement holds the text it receives; at the end it forms its summary
// line and then passes the lines on in their new order.
class SortStage : public RuleChain::Stage {
 public:
  SortStage(StageContext context, RuleChain::Sink sink, std::size_t twoThreadsFrom)
      : context_(context), sink_(std::move(sink)), twoThreadsFrom_(twoThreadsFrom) {}
  // The room is only a hint: without it the text grows as it comes.
  void expect(std::uint64_t bytes) override {
    try {
      if (bytes < text_.max_size()) text_.reserve(static_cast<std::size_t>(bytes));
    } catch (const std::bad_alloc&) {
    }
  }
  void append(std::string_view text) override { text_.append(text); }
  void finish(std::vector<std::string>& lines) override {
    {
      const SortedLines sorted = sortLinesByElement(text_, context_.rule, {}, twoThreadsFrom_);
      const SortCounts& counts = sorted.counts();
      lines.push_back(context_.summary(
          152, {context_.first(), context_.second(), counts.first, counts.second}));
      context_.formed();
      bytes_ = text_.size();
      sorted.write(sink_);
    }
    std::string().swap(text_);
  }
  // Once sorted, it passes on as much as it holds.
  void project(double& total, std::uint64_t, std::vector<std::string>&) const override {
    if (bytes_) total = static_cast<double>(*bytes_);
  }

 private:
  StageContext context_;
  RuleChain::Sink sink_;
  std::size_t twoThreadsFrom_;
  std::string text_;
  std::optional<std::uint64_t> bytes_;  // the text sorted, once it is
};

// SortDistinct keeps only the lines that stay; at the end it reports every
// kept element with its count and then passes the lines on in order.
class DistinctStage : public RuleChain::Stage {
 public:
  DistinctStage(StageContext context, RuleChain::Sink sink, std::size_t window)
      : context_(context), sink_(std::move(sink)), action_(context.rule, window) {}
  void append(std::string_view text) override { action_.append(text); }
  void finish(std::vector<std::string>& lines) override {
    std::vector<ElementCount> report;
    const SortCounts counts = action_.finish(report);
    lines.push_back(
        context_.summary(154, {context_.first(), context_.second(), counts.first, counts.second}));
    const std::string format = localizedString(context_.language, 156);
    for (ElementCount& entry : report) {
      std::erase(entry.key, '\n');
      entry.key.resize(cutPrefixLength(entry.key, kShownKeyBytes, context_.utf8));
      lines.push_back(formatText(format, {entry.key, entry.count}));
    }
    context_.formed();
    finished_ = true;
    action_.write(sink_);
  }
  void project(double& total, std::uint64_t, std::vector<std::string>&) const override {
    if (finished_) total = static_cast<double>(action_.keptBytes());
  }

 private:
  StageContext context_;
  RuleChain::Sink sink_;
  StreamSortDistinct action_;
  bool finished_ = false;
};

// A rule whose action type is unknown passes the text on unchanged.
class PassStage : public RuleChain::Stage {
 public:
  PassStage(StageContext context, RuleChain::Sink sink)
      : context_(context), sink_(std::move(sink)) {}
  void append(std::string_view text) override { sink_(text); }
  void finish(std::vector<std::string>&) override { context_.notices.notify({158, {}}); }

 private:
  StageContext context_;
  RuleChain::Sink sink_;
};

std::unique_ptr<RuleChain::Stage> makeStage(const StageContext& c, RuleChain::Sink sink,
                                            std::size_t window, std::size_t sortThreadsFrom) {
  switch (c.rule.ActionType) {
    case Replace:
      return std::make_unique<CountingStage<StreamReplace>>(
          c, StreamReplace(c.rule, std::move(sink), window));
    case KeepLinesWith:
    case DeleteLinesWith:
      return std::make_unique<CountingStage<StreamFilter>>(
          c, StreamFilter(c.rule, c.rule.ActionType == KeepLinesWith, std::move(sink), window));
    case ReplaceBetween:
      return std::make_unique<CountingStage<StreamReplaceBetween>>(
          c, StreamReplaceBetween(c.rule, std::move(sink), window));
    case ReplaceBetweenInFile:
      return std::make_unique<CountingStage<StreamReplaceInFile>>(
          c, StreamReplaceInFile(c.rule, std::move(sink), window));
    case SortByElement:
      return std::make_unique<SortStage>(c, std::move(sink), sortThreadsFrom);
    case SortDistinct:
      return std::make_unique<DistinctStage>(c, std::move(sink), window);
    default:
      return std::make_unique<PassStage>(c, std::move(sink));
  }
}

}  // namespace

RuleChain::RuleChain(const RuleList& rules, Sink out, const LanguageSelector& language,
                     NoticeSink& notices, std::size_t window, std::size_t sortThreadsFrom)
    : out_(std::move(out)) {
  const bool utf8 = ansiIsUtf8();
  const std::size_t groups = (rules.size() + kGroup - 1) / kGroup;
  boxes_.resize(groups > 0 ? groups - 1 : 0);
  // Built from the last rule back, so that each stage's sink is the stage
  // after it, or the box at the end of its group.
  stages_.resize(rules.size());
  flow_.resize(rules.size() + 1);
  for (std::size_t i = rules.size(); i-- > 0;) {
    Sink sink;
    std::uint64_t* passed = &flow_[i + 1];
    if (i + 1 == rules.size()) {
      sink = [this, passed](std::string_view piece) {
        *passed += piece.size();
        out_(piece);
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
    stages_[i] = makeStage({rule, language, notices, utf8, &pending_}, std::move(sink), window,
                           sortThreadsFrom);
    if (rule.ActionType >= Replace && rule.ActionType <= ReplaceBetweenInFile) ++pending_;
  }
}

RuleChain::~RuleChain() = default;

void RuleChain::expect(std::uint64_t bytes) {
  for (const std::unique_ptr<Stage>& stage : stages_) stage->expect(bytes);
}

void RuleChain::append(std::string_view text) {
  if (text.empty()) return;
  flow_[0] += text.size();
  if (stages_.empty()) return out_(text);
  stages_.front()->append(text);
  passOn(0);
}

void RuleChain::projectSummaries(double share, std::vector<std::string>& lines) const {
  double total = static_cast<double>(flow_[0]);
  if (share > 0 && share < 1) total /= share;
  for (std::size_t i = 0; i < stages_.size(); ++i)
    stages_[i]->project(total, flow_[i + 1], lines);
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

void RuleChain::finish(std::vector<std::string>& summaryLines) {
  for (std::size_t i = 0; i < stages_.size(); ++i) {
    stages_[i]->finish(summaryLines);
    passOn(i / kGroup);
  }
}

}  // namespace strovel
