// The searches, the line walk, the text-mode reader and writer, each action
// in its streaming form and a chain of four rules, on a generated text of
// about 100 MB in a million lines, the size the engine is built for, fed in
// the pieces a file is read in. Run a single benchmark per process with
// --benchmark_filter to read its peak memory from the "peak_rss_x" counter
// (peak resident memory of the process divided by the text size; the
// generated text is part of it).
//
//   build/bench/engine_bench --benchmark_filter=SortDistinct
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <random>
#include <string>

#include "engine/key_sort.h"
#include "engine/line_filters.h"
#include "engine/replace_between.h"
#include "engine/rule_chain.h"
#include "engine/sort_by_element.h"
#include "engine/sort_context.h"
#include "engine/sort_distinct.h"
#include "engine/text_search.h"
#include "platform/text_mode.h"

namespace strovel {
namespace {

constexpr std::size_t kLines = 1'000'000;

// Log-like lines of about 100 bytes: a timestamp, a component in brackets, a
// level, a user and some text; a few lines without brackets.
const std::string& largeText() {
  static const std::string text = [] {
    std::mt19937 rng(7);
    const char* levels[] = {"INFO", "WARN", "ERROR", "DEBUG"};
    std::string t;
    t.reserve(kLines * 104);
    for (std::size_t i = 0; i < kLines; ++i) {
      if (i) t += '\n';
      t += "2026-12-0" + std::to_string(1 + rng() % 9) + " 10:" + std::to_string(10 + rng() % 50);
      if (rng() % 50 == 0) {
        t += " -- no component on this line, just a plain note to keep things honest";
        continue;
      }
      t += " [comp" + std::to_string(rng() % 1000) + "] " + levels[rng() % 4] + " user=u" +
           std::to_string(rng() % 100000) + " request served in " + std::to_string(rng() % 900) +
           " ms with a payload of text that pads the line";
    }
    return t;
  }();
  return text;
}

void reportPeak(benchmark::State& state) {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_x"] =
      static_cast<double>(usage.ru_maxrss) * 1024.0 / static_cast<double>(largeText().size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * largeText().size()));
}

Rule rule(std::string p1, std::string p2, std::string p3 = "", std::int32_t action = 0) {
  return Rule{std::move(p1), std::move(p3), std::move(p2), action, 1, 1};
}

// The pieces a file is read in.
constexpr std::size_t kPiece = 128 * 1024;
using Sink = TextSink;

// A streaming action made by make(sink) is fed the text in file-sized
// pieces; what it passes on is only counted (a following stage copies it
// into its own bounded window, the result file's writer into its buffer).
template <typename Make>
void runStreamed(benchmark::State& state, Make make) {
  const std::string_view text = largeText();  // generated before the timing
  for (auto _ : state) {
    std::size_t passedOn = 0;
    auto action = make([&](std::string_view piece) {
      benchmark::DoNotOptimize(piece.data());
      passedOn += piece.size();
    });
    for (std::size_t at = 0; at < text.size(); at += kPiece) action.append(text.substr(at, kPiece));
    benchmark::DoNotOptimize(action.finish());
    benchmark::DoNotOptimize(passedOn);
  }
  reportPeak(state);
}

// The searches alone: every occurrence of a pattern found one after the
// other, for a frequent and a rare pattern and for the line breaks.
void searchAll(benchmark::State& state, const std::string& pattern) {
  const std::string& text = largeText();
  for (auto _ : state) {
    std::size_t count = 0;
    for (std::size_t at = findIn(text, pattern, 0); at != npos;
         at = findIn(text, pattern, at + pattern.size()))
      ++count;
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
void SearchFrequent(benchmark::State& state) { searchAll(state, "ERROR"); }
void SearchRare(benchmark::State& state) { searchAll(state, "comp999]"); }
void SearchLineBreaks(benchmark::State& state) { searchAll(state, "\n"); }

// The line walk the per-line actions share: line ends, and an element
// located in each line with cached finders.
void LineWalk(benchmark::State& state) {
  const std::string& text = largeText();
  const Rule r = rule("[", "]");
  for (auto _ : state) {
    MarkerFinders finders(text, r);
    std::size_t elements = 0;
    for (std::size_t s = 0; s != npos;) {
      const std::size_t lf = findByte(text, '\n', s + 1);
      elements += locateElement(finders, r, s, lf == npos ? text.size() : lf).has_value();
      s = lf;
    }
    benchmark::DoNotOptimize(elements);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// The text-mode layer on the same text with CR LF line breaks.
const std::string& crLfText() {
  static const std::string bytes = [] {
    std::string b;
    b.reserve(largeText().size() + kLines);
    for (char c : largeText()) c == '\n' ? b += "\r\n" : b += c;
    return b;
  }();
  return bytes;
}
void TextModeRead(benchmark::State& state) {
  for (auto _ : state) {
    TextModeReader reader(crLfText().size());
    for (std::size_t at = 0; at < crLfText().size(); at += 128 * 1024)
      reader.append(std::string_view(crLfText()).substr(at, 128 * 1024));
    benchmark::DoNotOptimize(reader.take());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * crLfText().size()));
}
struct DiscardingFile : OutputFile {
  bool write(std::string_view bytes) override { return benchmark::DoNotOptimize(bytes), true; }
  bool commit() override { return true; }
};
void TextModeWrite(benchmark::State& state) {
  for (auto _ : state) {
    DiscardingFile file;
    TextModeWriter writer(file);
    writer.write(largeText());
    benchmark::DoNotOptimize(writer.flush());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * largeText().size()));
}

void Replace(benchmark::State& state) {
  runStreamed(state, [](Sink sink) { return StreamReplace(rule("user=", "customer="), sink); });
}
void ReplaceSameLength(benchmark::State& state) {
  runStreamed(state, [](Sink sink) { return StreamReplace(rule("ERROR", "FAULT"), sink); });
}
void KeepLinesWith(benchmark::State& state) {
  runStreamed(state, [](Sink sink) { return StreamFilter(rule("ERROR", ""), true, sink); });
}
void KeepLinesWithRare(benchmark::State& state) {
  runStreamed(state, [](Sink sink) { return StreamFilter(rule("comp999]", ""), true, sink); });
}
void DeleteLinesWith(benchmark::State& state) {
  runStreamed(state, [](Sink sink) { return StreamFilter(rule("DEBUG", ""), false, sink); });
}
void ReplaceBetween(benchmark::State& state) {
  runStreamed(state,
              [](Sink sink) { return StreamReplaceBetween(rule("user=", " ", "user=* "), sink); });
}
void ReplaceBetweenInFile(benchmark::State& state) {
  runStreamed(state, [](Sink sink) { return StreamReplaceInFile(rule("[", "]", "[]"), sink); });
}
// What the sorts share: a budget that holds every text here in memory.
struct Sorts {
  SortBudget budget{std::uint64_t{16} << 30};
  SortContext context{budget,  diskFileSystem(),   64, kSortTwoThreadsFrom,
                      1 << 20, RunProgress::none()};
};

void SortByElement(benchmark::State& state) {
  const std::string_view text = largeText();
  const Rule byUser = rule("user=", " ");
  for (auto _ : state) {
    Sorts sorts;
    std::size_t written = 0;
    ElementSort sort(byUser, sorts.context);
    for (std::size_t at = 0; at < text.size(); at += kPiece) sort.append(text.substr(at, kPiece));
    benchmark::DoNotOptimize(sort.finish());
    sort.write([&](std::string_view piece) { written += piece.size(); });
    benchmark::DoNotOptimize(written);
  }
  reportPeak(state);
}
void SortDistinct(benchmark::State& state) {
  struct Distinct {
    StreamSortDistinct action;
    void append(std::string_view text) { action.append(text); }
    std::uint64_t finish() {
      action.finish();
      action.write();
      return action.counts().kept;
    }
  };
  static Sorts sorts;
  static const Rule byComponent = rule("[", "]");
  runStreamed(state, [](Sink sink) {
    return Distinct{StreamSortDistinct(byComponent, sink, sorts.context)};
  });
}

// A pattern of four rules as a whole run has them: keep the ERROR lines,
// drop the DEBUG ones, mask the users, sort by component.
void FourRuleChain(benchmark::State& state) {
  RuleList rules;
  rules.append(rule("ERROR", "", "", strovel::KeepLinesWith));
  rules.append(rule("DEBUG", "", "", strovel::DeleteLinesWith));
  rules.append(rule("user=", " ", "user=*** ", strovel::ReplaceBetween));
  rules.append(rule("[", "]", "", strovel::SortByElement));
  struct NoNotices : NoticeSink {
    void notify(const Notice&) override {}
  } notices;
  const std::string_view text = largeText();
  for (auto _ : state) {
    std::size_t written = 0;
    const TextSink out = [&](std::string_view piece) { written += piece.size(); };
    Sorts sorts;
    RuleChain chain(rules, notices, sorts.context);
    for (std::size_t at = 0; at < text.size(); at += kPiece)
      chain.append(text.substr(at, kPiece), out);
    chain.finish(out);
    benchmark::DoNotOptimize(written);
  }
  reportPeak(state);
}

BENCHMARK(SearchFrequent)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SearchRare)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SearchLineBreaks)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(LineWalk)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TextModeRead)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TextModeWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Replace)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ReplaceSameLength)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(KeepLinesWith)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(KeepLinesWithRare)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(DeleteLinesWith)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ReplaceBetween)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ReplaceBetweenInFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SortByElement)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SortDistinct)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(FourRuleChain)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace strovel

BENCHMARK_MAIN();
