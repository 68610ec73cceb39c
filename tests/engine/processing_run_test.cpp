// Whole processing runs over an in-memory file system against the literal
// actions. Hand-made cases pin down what random texts seldom meet (quirks
// included: segments carry the LF in front of their line, the first search
// for a marker starts one byte in, keys run on past the element). Then many
// random raw files, read in random pieces, go through chains of one to five
// (now and then forty) random rules with windows from one byte up, with and
// without DOS mode, statistics (their block's size guessed right and
// wrong), threads (sorts on two threads among them) and failures. The runs' own cases follow: exact
// summary lines and cut rule texts, and the result's name.
#include "engine/processing_run.h"

#include <gtest/gtest.h>

#include <climits>

#include "engine/key_sort.h"
#include "engine/text_search.h"
#include "engine/trial_run.h"
#include "literal_run.h"

namespace strovel {

void PrintTo(const Rule& r, std::ostream* os) {
  *os << testing::PrintToString(std::tuple(r.ActionType, r.Pattern1, r.Pattern2, r.Pattern3,
                                           r.LocationFromStart, r.LocationAfterPattern1));
}

namespace {

struct Random {
  std::mt19937 rng;
  std::size_t pick(std::size_t lo, std::size_t hi) {
    return std::uniform_int_distribution<std::size_t>(lo, hi)(rng);
  }
  // Raw bytes: line breaks of every kind (CR CR LF reads as CR LF), markers,
  // zero bytes, bytes DOS mode converts, and in one text of twenty a Ctrl-Z.
  // Sparse texts are mostly plain lines, so that the walks meet long
  // stretches without a marker.
  std::string text(std::size_t maxLength, bool sparse = false) {
    static const Lines parts = {
        "\r\n", "\n",      "\r",   "\r\r\n",       "a",   "b", "ab",     "[", "]", "(", ")",
        "x",    {"\0", 1}, "\xff", "\x80\xA0\xE0", "[k]", " ", "\r\n[a]"};
    std::string t;
    for (const std::size_t length = pick(0, maxLength); t.size() < length;)
      t += sparse && pick(0, 9) ? std::string(pick(0, 9), 'c') + '\n' : parts[pick(0, 17)];
    if (pick(0, 19) == 0) t.insert(pick(0, t.size()), 1, '\x1A');
    return t;
  }
  // Up to 400 lines "x[key]" (or none, or "[]"), keys up to 20 bytes over a
  // tiny alphabet: long runs of equal keys, keys that are prefixes of others,
  // and in a third of the texts keys that share more than eight bytes.
  std::string keyedLines() {
    std::string t;
    const std::size_t longest = pick(0, 20), letters = pick(2, 4), shared = pick(0, 2) ? 0 : 20;
    for (std::size_t n = pick(0, 400); n-- > 0;) {
      std::string key(shared, 'a');
      for (std::size_t k = pick(0, longest); k-- > 0;) key += "ab\0\xff"[pick(0, letters - 1)];
      t += pick(0, 9) > 1 ? "x[" + key + "]\n" : pick(0, 1) ? "[]\n" : "none\n";
    }
    return t;
  }
  std::string marker() {
    static const Lines markers = {"",  "[", "]", "a", "ab", "\n", "[a",      "]\n",
                                  "x", "(", ")", "b", "aa", " ",  "\xD0\x90"};
    return pick(0, 4) ? markers[pick(0, markers.size() - 1)] : text(3);
  }
  // One of the seven actions, now and then an unknown one.
  Rule rule() {
    const auto location = [&] { return static_cast<std::int32_t>(pick(0, 5)) - 1; };
    const auto action = static_cast<std::int32_t>(pick(0, 20) ? pick(1, 7) : 9);
    return Rule{marker(),  pick(0, 3) ? marker() : text(4), marker(), action, location(),
                location()};
  }
};

// On a text made of the pattern's own bytes, where every position is a
// candidate that fails at its end, the pair search gives up and hands over.
// (Every other search is checked through the whole runs below.)
TEST(TextSearch, HandsOverWhereEveryCandidateFailsLate) {
  const std::string degenerate = std::string(200000, 'a') + "ab";
  EXPECT_EQ(findIn(degenerate, std::string(100, 'a') + "b", 5), degenerate.size() - 101);
  EXPECT_EQ(Finder(degenerate, "aab").find(7), degenerate.size() - 3);
}

Rule rule(std::int32_t action, std::string p1, std::string p2 = "", std::string p3 = "",
          int fromStart = 1, int afterPattern1 = 1) {
  return {std::move(p1), std::move(p3), std::move(p2), action, fromStart, afterPattern1};
}

// The runs' environment, recording the progress and the results opened.
class ProcessingRun : public testing::Test, public LiteralRuns {};

// The literal versions give the results worked out here, and the runs (with
// windows of one byte and of a megabyte) give theirs.
TEST_F(ProcessingRun, HandMadeCases) {
  using Outcome = std::tuple<std::string, literal::Counts, literal::Report>;
  const std::tuple<std::string, Rule, Outcome> cases[] = {
      {"a\r\nb\rc\r\r\n", rule(Replace, "zz", "y"), {"a\nb\nc\n\n", {0, 0}, {}}},
      {"a\nb\rc\rb", rule(KeepLinesWith, "b"), {"\nb\rb", {2, 0}, {}}},
      {"q\nab]c", rule(ReplaceBetween, "", "]", "<>"), {"q<>c", {1, 0}, {}}},
      {"(b)c(d)", rule(ReplaceBetweenInFile, "(", ")", "X", INT_MAX, 9), {"(b)cX", {1, 0}, {}}},
      {"abc", rule(ReplaceBetweenInFile, "", "", "X", 0, 0), {"X", {1, 0}, {}}},
      // The first line stays where no key goes before it; equal keys end in
      // reverse input order; a line without an element stays behind the
      // greatest key placed before it; empty keys go to the front, the last
      // first; the final empty segment stays last.
      {"h\na[k]1\nb[k]2\n", rule(SortByElement, "[", "]"), {"h\nb[k]2\na[k]1\n", {2, 2}, {}}},
      {"x[c]\nn\ny[a]\nz[d]", rule(SortByElement, "[", "]"), {"y[a]\nx[c]\nn\nz[d]", {3, 1}, {}}},
      {"b\nc\nd", rule(SortByElement, "\n", ""), {"c\nb\nd", {2, 1}, {}}},
      // SortDistinct keeps the first line of each key; the report lists equal
      // counts later entries first. An empty key meets a front line without
      // an element: a duplicate.
      {"h\nx[b]\ny[a]\nz[b]\nw[a]\nv[c]",
       rule(SortDistinct, "[", "]"),
       {"h\ny[a]\nx[b]\nv[c]", {3, 2}, literal::Report{{"b]", 2}, {"a]", 2}, {"c]", 1}, {"", 1}}}},
      {"h\nx\ny",
       rule(SortDistinct, "\ny", ""),
       {"h\ny", {0, 1}, literal::Report{{"", 2}, {"", 1}}}},
  };
  for (const auto& [input, r, expected] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::tuple(input, r)));
    std::string text = input;
    literal::Report report;
    const literal::Counts counts = literal::apply(text, r, report);
    EXPECT_EQ(Outcome(text, counts, report), expected);
    for (const std::size_t window : {1, 1 << 20}) {
      disk.files = {{"in.txt", crLf(input)}, {"res_1.txt", "old"}};
      options = {.statistics = true, .ruleWindow = window};
      EXPECT_EQ(ran({r}), literalRun(crLf(input), {r}));
    }
  }
}

// A run writes exactly the literal bytes, shows progress from 0 to 100 and
// opens its result when asked. Now and then a chain is long enough to span
// groups of stages, the input is missing, a read fails midway, the result
// cannot be created, one of its first two writes fails (notice 160), or a
// read or a write runs out of memory, on the calling thread or on the
// reading and writing threads: the exception reaches the caller, every
// thread is joined and the old result stays; when the input does not open,
// so do the summary lines of the run before.
TEST_F(ProcessingRun, RunsMatchLiteralActions) {
#ifdef STROVEL_SANITIZED_TESTS
  constexpr int kCases = 5000;
#else
  constexpr int kCases = 20000;
#endif
  Random random{std::mt19937(1)};
  for (int i = 0; i < kCases; ++i) {
    const bool keyed = i % 10 == 0;
    const std::size_t length = i % 20 == 2 ? 4000 : i % 2 ? 60 : 400;
    const std::string input = keyed ? random.keyedLines() : random.text(length, i % 4 == 0);
    std::vector<Rule> rules(random.pick(1, i % 10 == 1 ? 40 : 5));
    for (Rule& r : rules) r = random.rule();
    if (keyed)
      rules[0] =
          rule(random.pick(0, 1) ? SortByElement : std::int32_t(random.pick(1, 7)), "[", "]");
    options = {.dosMode = random.pick(0, 1) == 1,
               .statistics = random.pick(0, 1) == 1,
               .openResult = random.pick(0, 1) == 1,
               .ruleWindow = random.pick(0, 3) ? random.pick(1, 30) : std::size_t{1} << 20,
               .sortThreadsFrom = random.pick(0, 1) ? random.pick(1, 30) : kSortTwoThreadsFrom};
    if (random.pick(0, 1))
      options.flow = {random.pick(0, 1) ? 0 : random.pick(0, 300), random.pick(1, 64),
                      random.pick(1, 3), random.pick(0, 300)};
    // Mostly a budget so small that the sorts put many runs aside and merge
    // them a few at a time.
    if (random.pick(0, 3))
      std::tie(options.sortMemory, options.mergeFanIn) =
          std::tuple(random.pick(1, 3000), random.pick(2, 5));
    disk.reservable = random.pick(0, 3) > 0;
    // 0 no input, 1 a failed read, 2 no result, 3 a failed write, 4 and 5
    // out of memory in a read or a write, 6 no scratch spool, 7 a failed
    // write to one, from 8 on none.
    std::size_t failure = random.pick(0, 49);
    if (failure == 1 && input.find('\x1A') != std::string::npos) failure = 9;  // ends the reading
    const int write = static_cast<int>(random.pick(0, 1));
    disk.files = {{"in.txt", input}, {"res_1.txt", "old"}};
    if (failure == 0) disk.files.erase("in.txt");
    disk.failAt = failure == 1 ? random.pick(0, input.size()) : std::string::npos;
    disk.throwAt = failure == 4 ? random.pick(0, input.size()) : std::string::npos;
    disk.uncreatable = {failure == 2 ? "res_1.txt" : ""};
    std::tie(disk.writes, disk.failAtWrite, disk.throwAtWrite) =
        std::tuple(0, failure == 3 ? write : -1, failure == 5 ? write : -1);
    std::tie(disk.scratchRefused, disk.scratchWrites, disk.scratchFailAt, disk.scratchFaulted) =
        std::tuple(failure == 6, 0, failure == 7 ? int(random.pick(0, 3)) : -1, false);
    statistics = {"from the run before"};
    const auto trace = [&] { return testing::PrintToString(std::tuple(input, rules, i)); };
    Result got, expected = literalRun(input, rules);
    try {
      got = ran(rules);
    } catch (const std::bad_alloc&) {
      ASSERT_TRUE((failure == 4 || failure == 5) && disk.files.at("res_1.txt") == "old") << trace();
      continue;
    }
    // A sort that could not put a run aside: the result is not created.
    if (disk.scratchFaulted) {
      const Notice notCreated{TextId::NotCreated, "res_1.txt"};
      ASSERT_TRUE(std::get<1>(got) == "old" && !std::get<0>(got) && std::get<2>(got).empty() &&
                  std::get<3>(got).back() == notCreated)
          << trace();
      continue;
    }
    // A fault that never came (the text ended before that read, the result
    // took fewer writes, no sort put a run aside) leaves a clean run.
    if (failure >= 3 && (failure == 4 || failure >= 6 || disk.writes <= write)) failure = 9;
    auto& [written, bytes, lines, notices, opens] = expected;
    if (failure == 2 || failure == 3) notices.push_back({TextId::NotCreated, "res_1.txt"});
    if (failure < 4) std::tie(written, bytes, opens) = std::tuple(false, "old", Lines{});
    if (failure < 2)
      std::tie(lines, notices) = std::tuple(Lines{}, Notices{{TextId::DoesNotOpen, "in.txt"}});
    if (failure == 0) lines = {"from the run before"};
    ASSERT_EQ(got, expected) << trace();
    const int last = progressValues.empty() ? -1 : progressValues.back();
    for (int value : progressValues) ASSERT_TRUE(value >= 0 && value <= 100) << value;
    ASSERT_TRUE(failure == 0 ? last == -1 : failure < 4 || last == 100);
  }
  // The statistics block's size was guessed right, and wrong, many times,
  // and the sorts put many runs aside.
  EXPECT_GT(std::min(disk.headsWritten, disk.bodiesCopied), kCases / 2000);
  EXPECT_GT(disk.scratchSpools, kCases);
}

// Rule texts are cut at 60 bytes, report keys lose their LFs and are cut at
// 990 bytes, never inside a UTF-8 character; zero bytes stay. With an empty
// Pattern2 a key runs over the line end and one byte further. Equal counts
// list the later entries first. A line longer than the pieces a sort
// gathers is passed on between them. The result's name comes from the
// template.
TEST_F(ProcessingRun, SummaryLinesCutLongTextsAndResultsHaveTheirNames) {
  const std::string sixty(60, 'p'), sixtyOne(61, 'q'), withZero("\0b", 2), x(70000, 'x');
  const std::string split = std::string(59, 'r') + "\xD0\x96" + "tail";
  const std::string key = std::string(989, 'k') + "\xD0\x96";
  disk.files["in.txt"] = "h\n[" + key + "]\n[a" + x + "\nb";
  options = {.outputNameTemplate = "out_%03d.txt"};
  EXPECT_TRUE(run({rule(Replace, withZero, "\n"), rule(Replace, sixty, sixtyOne),
                   rule(DeleteLinesWith, split), rule(SortDistinct, "[", "")},
                  "in.txt", 7));
  const auto element = [](const std::string& key) { return summary(156, {key, 1}); };
  EXPECT_EQ(statistics,
            (Lines{summary(144, {withZero, "\n", 0}),
                   summary(144, {sixty, sixtyOne.substr(0, 60) + "...", 0}),
                   summary(148, {std::string(59, 'r') + "...", 0}), summary(154, {"[", "", 2, 0}),
                   element(""), element(std::string(989, 'k')), element("a" + x.substr(0, 989)),
                   element("")}));
  EXPECT_EQ(disk.files.at("out_007.txt"), "h\r\n[a" + x + "\r\n[" + key + "]\r\nb");
}

// The progress hook hears the reading and a sort's ordering and writing,
// each from 0 up to at most 1, in that order, which the meter turns into
// one bar. A stop asked for at any of its
// checkpoints ends the run there: Stopped, no notice, the old result as it
// was, and the reading and writing threads joined.
TEST_F(ProcessingRun, StopsWhereTheProgressHookAsks) {
  struct Hook : RunProgress {
    std::vector<std::pair<RunPhase, double>> heard;
    std::size_t stopAt = 0;  // the checkpoint that asks for a stop, 0 for none
    void report(RunPhase phase, double share) override { heard.emplace_back(phase, share); }
    bool stopAsked() override { return heard.size() == stopAt; }
  } hook;
  std::string input;
  for (int i = 0; i < 40000; ++i) input += "x[" + std::to_string(i * 7919 % 1000) + "]\r\n";
  const RuleList rules = rulesOf({rule(KeepLinesWith, "x"), rule(SortByElement, "[", "]")});
  options = {.statistics = true, .flow = {0, 4096, 2, 1000}};
  const auto runOnce = [&] {
    hook.heard.clear();
    disk.files = {{"in.txt", input}, {"res_1.txt", "old"}};
    sink.notices.clear();
    RunSummary summary;
    return processFile(rules, "in.txt", 1, options, RunEnvironment(disk, sink, hook), summary);
  };
  ASSERT_EQ(runOnce(), RunStatus::Written);
  std::string phases;
  for (std::size_t n = 0; n < hook.heard.size(); ++n) {
    const auto [phase, share] = hook.heard[n];
    const bool same = n > 0 && hook.heard[n - 1].first == phase;
    if (!same) phases += "RSMW"[static_cast<int>(phase)];
    EXPECT_TRUE(share >= 0 && share <= 1 && (!same || share >= hook.heard[n - 1].second)) << n;
  }
  EXPECT_EQ(phases, "RSW");
  // The meter gives the reading the first half of the bar and the sort the
  // second, its ordering and its writing a quarter each, never going back.
  RunMeter meter(1);
  double last = 0;
  for (const auto& [phase, share] : hook.heard) {
    const double at = meter.at(phase, share);
    const double low = phase == RunPhase::Reading ? 0 : phase == RunPhase::Sorting ? 0.5 : 0.75;
    EXPECT_TRUE(at >= last && at >= low - 1e-9 && at <= low + (low == 0 ? 0.5 : 0.25) + 1e-9);
    last = at;
  }
  EXPECT_GT(last, 0.99);
  const std::size_t checkpoints = hook.heard.size();
  for (const std::size_t stop : {std::size_t{1}, checkpoints / 2, checkpoints - 1, checkpoints}) {
    hook.stopAt = stop;
    EXPECT_EQ(runOnce(), RunStatus::Stopped) << stop;
    EXPECT_EQ(hook.heard.size(), stop);
    EXPECT_EQ(disk.files.at("res_1.txt"), "old");
    EXPECT_EQ(sink.notices, Notices{});
  }
}

// A pattern stepped through rule by rule: each step starts from the text
// the step before ended with, the first from the input the whole trial run
// read and the last ending with its result, and the steps' summaries make
// the whole run's summary lines.
TEST_F(ProcessingRun, TrialStepsChainIntoTheWholeRun) {
  Random random{std::mt19937(7)};
  for (int i = 0; i < 400; ++i) {
    disk.files = {{"in.txt", i % 3 ? random.text(300) : random.keyedLines()}};
    std::vector<Rule> rules(random.pick(1, 5));
    for (Rule& r : rules) r = random.rule();
    options = {.dosMode = random.pick(0, 1) == 1};
    const RuleList list = rulesOf(rules);
    const RunEnvironment environment(disk, sink);
    const std::optional<TrialResult> whole = trialRun(list, "in.txt", options, environment);
    ASSERT_TRUE(whole);
    std::string text = whole->input;
    std::vector<std::string> lines;
    for (std::size_t step = 0; step < rules.size(); ++step) {
      const std::optional<TrialResult> part = trialStep(list, step, "in.txt", options, environment);
      ASSERT_TRUE(part);
      EXPECT_EQ(part->input, text) << i << " " << step;
      EXPECT_EQ(part->summary.size(), rules[step].ActionType <= 7 ? 1u : 0u);
      for (const std::string& line : summaryLines(part->summary, LanguageSelector{}))
        lines.push_back(line);
      text = part->result;
    }
    EXPECT_EQ(text, whole->result) << i;
    EXPECT_EQ(lines, summaryLines(whole->summary, LanguageSelector{})) << i;
  }
  disk.files.clear();
  sink.notices.clear();
  EXPECT_FALSE(
      trialStep(rulesOf({rule(Replace, "a")}), 0, "in.txt", options, RunEnvironment(disk, sink)));
  EXPECT_EQ(sink.notices, (Notices{{TextId::DoesNotOpen, "in.txt"}}));
}

}  // namespace
}  // namespace strovel
