// Each action on a generated text of about 100 MB in a million lines, the
// size the engine is built for. Run a single benchmark per process with
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

void Replace(benchmark::State& state) {
  runAction(state, [](std::string& t) { return replaceText(t, rule("user=", "customer=")); });
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

BENCHMARK(Replace)->Unit(benchmark::kMillisecond)->Iterations(3);
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
