// What the preview costs on a large input, phase by phase: the trial run
// (reading, the rules, the result in memory), the line index the window
// builds before it shows, then the worker's diff and the rows. Generates
// its inputs (log-like CR LF lines) in a scratch folder; five shapes:
// rare and dense matches, long lines, Cyrillic text with a Cyrillic rule,
// and a server log where a pattern changes every line and deletes a
// quarter of them (one block of changes as large as the file).
//
//   preview_bench [MEGABYTES [SHAPE...]]   (100 and all shapes by default)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

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

// A server log line: time, part, level and a message; a quarter of them
// INFO.
void appendServerLine(std::string& text, std::mt19937& random, unsigned second) {
  static const char* const parts[] = {"auth", "billing", "storage", "gateway"};
  static const char* const users[] = {"alice", "bob", "carol", "dave", "erin", "system"};
  static const char* const levels[] = {"INFO", "INFO", "WARN", "ERROR", "ERROR", "ERROR"};
  char time[32];
  std::snprintf(time, sizeof time, "2026-12-01 %02u:%02u:%02u ", second / 3600 % 24,
                second / 60 % 60, second % 60);
  const unsigned kind = random() % 8;
  const std::string user = users[random() % 6], n = std::to_string(random() % 5000);
  text.append(time).append("[").append(parts[random() % 4]).append("] ");
  text.append(levels[std::min(kind, 5u)]).append(" ");
  text += kind < 2   ? (kind ? "login user=" + user : "invoice " + n + " created user=" + user)
          : kind < 3 ? "slow upstream " + n + " ms"
          : kind < 5 ? "card declined user=" + user + " order=" + n
          : kind < 7 ? "disk /var almost full user=" + user + " free=" + n + "%"
                     : "token expired user=" + user + " session=" + n;
}

std::string makeInput(const std::string& shape, std::size_t bytes) {
  std::mt19937 random(5);
  std::string text;
  text.reserve(bytes + 30000);
  static const char* const parts[] = {"auth", "billing", "storage", "gateway"};
  while (text.size() < bytes) {
    const unsigned r = random();
    if (shape == "server") {
      appendServerLine(text, random, 9 * 3600 + static_cast<unsigned>(text.size() / 200));
    } else if (shape == "long") {
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

// For the server log: how many changed rows pair an input line with its
// own result line (the mask applied to it) and how many with another.
std::string pairedRight(const Alignment& rows, const TextLines& left, const TextLines& right) {
  std::size_t good = 0, bad = 0;
  for (std::size_t r = 0; r < rows.rows(); ++r) {
    const Alignment::Row row = rows.row(r);
    if (row.kind != Alignment::Kind::Changed) continue;
    std::string line(left.line(*row.left));
    const std::size_t open = line.find('['), close = line.find(']');
    line.replace(open, close - open + 1, "[*]");
    if (const std::size_t user = line.find("user="); user != std::string::npos)
      line.replace(user, 5, "USER:");
    ++(line == right.line(*row.right) ? good : bad);
  }
  return std::to_string(good) + " right, " + std::to_string(bad) + " wrong";
}

struct Case {
  std::string name;
  RuleList rules;
};

// The patterns tried on a shape: for the server log, the one that masks
// every line; for the others, a replace alone and keep, replace, delete.
std::vector<Case> casesFor(const std::string& shape) {
  std::vector<Case> cases(shape == "server" ? 1 : 2);
  if (shape == "server") {
    cases[0].name = "Delete+Replace+Between";
    cases[0].rules.append(Rule{"INFO", "", "", DeleteLinesWith, 1, 1});
    cases[0].rules.append(Rule{"user=", "", "USER:", Replace, 1, 1});
    cases[0].rules.append(Rule{"[", "[*]", "]", ReplaceBetween, 1, 1});
    return cases;
  }
  const std::string word = shape == "cyrillic" ? "Ошибка" : "ERROR";
  cases[0].name = "Replace";
  cases[0].rules.append(Rule{word, "", "E", Replace, 1, 1});
  cases[1].name = "Keep+Replace+Delete";
  cases[1].rules.append(Rule{word, "", "", KeepLinesWith, 1, 1});
  cases[1].rules.append(Rule{"user=", " ", "user=***", ReplaceBetween, 1, 1});
  cases[1].rules.append(Rule{"7", "", "", DeleteLinesWith, 1, 1});
  return cases;
}

void runCase(const std::string& shape, const Case& c, const fs::path& input) {
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
  const double rowsTime = seconds(start);
  std::printf("%-9s %-22s %8.2f %8.2f %8.2f %8.2f %8.2f %7zu %9zu %9zu\n", shape.c_str(),
              c.name.c_str(), trialTime, indexTime, diffTime, rowsTime,
              indexTime + diffTime + rowsTime, rows.changes().size(), left.count(),
              rows.removedLines());
  if (shape == "server")
    std::printf("  changed rows: %s, of %zu result lines\n", pairedRight(rows, left, right).c_str(),
                right.count());
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
  std::vector<std::string> shapes(argv + std::min(argc, 2), argv + argc);
  if (shapes.empty()) shapes = {"rare", "dense", "long", "cyrillic", "server"};
  const fs::path dir =
      fs::temp_directory_path() / ("strovel-preview-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  // "worker s": what the preview's worker does, index + diff + rows.
  std::printf("%-9s %-22s %8s %8s %8s %8s %8s %7s %9s %9s\n", "shape", "pattern", "trial s",
              "index s", "diff s", "rows s", "worker s", "changes", "lines", "removed");
  for (const std::string& shape : shapes) {
    const fs::path input = dir / (shape + ".txt");
    std::ofstream(input, std::ios::binary) << makeInput(shape, megabytes << 20);
    for (const Case& c : casesFor(shape)) runCase(shape, c, input);
    fs::remove(input);
  }
  fs::remove_all(dir);
}
