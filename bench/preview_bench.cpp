// What the preview costs on a large input, phase by phase: the trial run
// (reading, the rules, the result in memory), the line index the window
// builds before it shows, then the worker's diff and the rows. Generates
// its inputs (log-like CR LF lines) in a scratch folder; four shapes:
// rare and dense matches, long lines, Cyrillic text with a Cyrillic rule.
//
//   preview_bench [MEGABYTES]   (100 by default)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "diff/text_diff.h"
#include "engine/trial_run.h"
#include "preview/alignment.h"

using namespace strovel;
namespace fs = std::filesystem;

namespace {

class Quiet : public NoticeSink {
 public:
  void notify(const Notice&) override {}
};

std::string makeInput(const std::string& shape, std::size_t bytes) {
  std::mt19937 random(5);
  std::string text;
  text.reserve(bytes + 30000);
  static const char* const parts[] = {"auth", "billing", "storage", "gateway"};
  while (text.size() < bytes) {
    const unsigned r = random();
    if (shape == "long") {
      text += "line ";
      for (unsigned n = 2000 + r % 18000; n > 0; n -= std::min(n, 10u)) text += "word ERROR ";
    } else if (shape == "cyrillic") {
      text += (r % 2 ? "Ошибка: диск почти полон, узел " : "Сведения: вход пользователя ") +
              std::to_string(r % 1000);
    } else {
      const bool word = shape == "dense" ? r % 10 != 0 : r % 200 == 0;
      text += "2026-12-01 10:00:00 [" + std::string(parts[r % 4]) + "] " +
              (word ? "ERROR" : "INFO") + " token expired user=u" + std::to_string(r % 99999);
    }
    text += "\r\n";
  }
  return text;
}

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
  const fs::path dir =
      fs::temp_directory_path() / ("strovel-preview-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::printf("%-9s %-22s %8s %8s %8s %8s %7s\n", "shape", "pattern", "trial s", "index s",
              "diff s", "rows s", "changes");
  for (const std::string shape : {"rare", "dense", "long", "cyrillic"}) {
    const fs::path input = dir / (shape + ".txt");
    std::ofstream(input, std::ios::binary) << makeInput(shape, megabytes << 20);
    const std::string word = shape == "cyrillic" ? "Ошибка" : "ERROR";
    struct Case {
      const char* name;
      RuleList rules;
    } cases[2];
    cases[0].name = "Replace";
    cases[0].rules.append(Rule{word, "", "E", Replace, 1, 1});
    cases[1].name = "Keep+Replace+Delete";
    cases[1].rules.append(Rule{word, "", "", KeepLinesWith, 1, 1});
    cases[1].rules.append(Rule{"user=", " ", "user=***", ReplaceBetween, 1, 1});
    cases[1].rules.append(Rule{"7", "", "", DeleteLinesWith, 1, 1});
    for (const Case& c : cases) {
      Quiet quiet;
      const RunEnvironment environment(diskFileSystem(), quiet);
      auto start = std::chrono::steady_clock::now();
      const std::optional<TrialResult> trial =
          trialRun(c.rules, input.string(), RunOptions{}, environment);
      const double trialTime = seconds(start);
      start = std::chrono::steady_clock::now();
      const TextLines left(trial->input), right(trial->result);
      const double indexTime = seconds(start);
      start = std::chrono::steady_clock::now();
      const LineDiff diff = diffLines(trial->input, trial->result, 0);
      const double diffTime = seconds(start);
      start = std::chrono::steady_clock::now();
      const Alignment rows = Alignment::fromDiff(diff, left, right);
      std::printf("%-9s %-22s %8.2f %8.2f %8.2f %8.2f %7zu\n", shape.c_str(), c.name, trialTime,
                  indexTime, diffTime, seconds(start), rows.changes().size());
    }
    fs::remove(input);
  }
  fs::remove_all(dir);
}
