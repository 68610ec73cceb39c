// The searches, the line walk, the text-mode reader and writer, and each
// action, on a generated text of about 100 MB in a million lines, the size
// the engine is built for. Run a single benchmark per process with
// --benchmark_filter to read its peak memory from the "peak_rss_x" counter
// (peak resident memory of the process divided by the text size; the
// generated text and its working copy are part of it).
//
//   build/bench/engine_bench --benchmark_filter=SortDistinct
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <random>
#include <string>

#include "engine/line_filters.h"
#include "engine/replace_between.h"
#include "engine/sorting.h"
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

template <typename Action>
void runAction(benchmark::State& state, Action action) {
  for (auto _ : state) {
    state.PauseTiming();
    std::string text = largeText();
    state.ResumeTiming();
    benchmark::DoNotOptimize(action(text));
  }
  reportPeak(state);
}

Rule rule(std::string p1, std::string p2, std::string p3 = "") {
  return Rule{std::move(p1), std::move(p3), std::move(p2), 0, 1, 1};
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
  runAction(state, [](std::string& t) { return replaceText(t, rule("user=", "customer=")); });
}
void ReplaceSameLength(benchmark::State& state) {
  runAction(state, [](std::string& t) { return replaceText(t, rule("ERROR", "FAULT")); });
}
void KeepLinesWith(benchmark::State& state) {
  runAction(state, [](std::string& t) { return keepLinesWith(t, rule("ERROR", ""), {}); });
}
void KeepLinesWithRare(benchmark::State& state) {
  runAction(state, [](std::string& t) { return keepLinesWith(t, rule("comp999]", ""), {}); });
}
void DeleteLinesWith(benchmark::State& state) {
  runAction(state, [](std::string& t) { return deleteLinesWith(t, rule("DEBUG", ""), {}); });
}
void ReplaceBetween(benchmark::State& state) {
  runAction(state,
            [](std::string& t) { return replaceBetween(t, rule("user=", " ", "user=* "), {}); });
}
void ReplaceBetweenInFile(benchmark::State& state) {
  runAction(state, [](std::string& t) { return replaceBetweenInFile(t, rule("[", "]", "[]")); });
}
void SortByElement(benchmark::State& state) {
  runAction(state, [](std::string& t) { return sortByElement(t, rule("user=", " "), {}).first; });
}
void SortDistinct(benchmark::State& state) {
  runAction(state, [](std::string& t) {
    std::vector<ElementCount> report;
    return sortDistinct(t, rule("[", "]"), {}, report).first;
  });
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

}  // namespace
}  // namespace strovel

BENCHMARK_MAIN();
