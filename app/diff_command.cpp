// The diff command: its own options, then a batch line, a trial run and the
// unified diff on stdout.
#include "app/diff_command.h"

#include <sys/stat.h>

#include <ctime>
#include <new>
#include <optional>

#include "app/command_line.h"
#include "app/stderr_notices.h"
#include "diff/text_diff.h"
#include "engine/output_name.h"
#include "engine/trial_run.h"
#include "patterns/pattern_file.h"

namespace strovel {
namespace {

constexpr std::string_view kDiff = "--diff";

enum class Color { Auto, Always, Never };

// Takes "--color", "--color=WHEN" and its blank off the front; false for a
// colour option with an unknown WHEN.
bool takeColor(std::string_view& rest, Color& color) {
  constexpr std::string_view kOption = "--color";
  if (!rest.starts_with(kOption)) return true;
  const std::size_t end = rest.find(' ');
  const std::string_view option = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  if (option == kOption || option == "--color=auto") {
    color = Color::Auto;
  } else if (option == "--color=always") {
    color = Color::Always;
  } else if (option == "--color=never") {
    color = Color::Never;
  } else {
    return false;
  }
  return true;
}

// A file's time as diff -u writes it: "2026-12-07 14:56:13.123456789 +0000".
std::string stamp(const timespec& time) {
  std::tm local{};
  localtime_r(&time.tv_sec, &local);
  char seconds[64];
  char zone[16];
  std::strftime(seconds, sizeof seconds, "%Y-%m-%d %H:%M:%S", &local);
  std::strftime(zone, sizeof zone, "%z", &local);
  char nanos[16];
  std::snprintf(nanos, sizeof nanos, ".%09ld ", static_cast<long>(time.tv_nsec));
  return std::string(seconds) + nanos + zone;
}

std::string fileStamp(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return stamp(info.st_mtim);
}

std::string nowStamp() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return stamp(now);
}

// The trial run's input and result as a unified diff on `out`; the exit
// status.
int printDiff(const CommandLine& command, Color color, bool terminal, FileSystem& files,
              StderrNotices& notices, std::ostream& out) {
  PatternState pattern;
  loadPattern(pattern, command.patternPath, files, notices);
  RunOptions options;
  options.dosMode = command.dosMode;
  options.outputNameTemplate = command.outputNameTemplate;
  options.sortMemory = command.sortMemory;
  const std::optional<TrialResult> trial =
      trialRun(pattern.rules, command.inputPath, options, RunEnvironment(files, notices));
  if (!trial) return 2;
  if (command.statistics)
    forEachSummaryLine(trial->summary, RunEnvironment::russian(),
                       [&](std::string_view line) { out << line << '\n'; });
  const LineDiff diff = diffLines(trial->input, trial->result, 3);
  if (diff.failed) {
    // xdiff compares texts of up to about 1 GB.
    notices.notify({TextId::TooLargeToCompare, command.inputPath});
    return 2;
  }
  UnifiedStyle style;
  style.color = color == Color::Always || (color == Color::Auto && terminal);
  style.beforeStamp = fileStamp(command.inputPath);
  style.afterStamp = nowStamp();
  out << unifiedDiff(trial->input, trial->result, diff, command.inputPath,
                     formatOutputName(options.outputNameTemplate, 1), style);
  out.flush();
  if (notices.exitStatus() != 0 || !out) return 2;
  return diff.hunks.empty() ? 0 : 1;
}

}  // namespace

int runDiffCommand(std::string_view line, FileSystem& files, std::ostream& out, std::ostream& err,
                   bool terminal) {
  // "--sort-memory=SIZE" before "--diff", or after it and its colour.
  std::string_view rest = line;
  std::optional<std::string_view> size = takeSortMemory(rest);
  rest.remove_prefix(std::min(rest.size(), kDiff.size() + 1));
  Color color = Color::Auto;
  const bool colorKnown = takeColor(rest, color);
  if (!size) size = takeSortMemory(rest);
  CommandLine command = parseCommandLine(rest);
  if (!colorKnown || !command.batch || command.openResult) {
    err << "kestrune: usage: " << kDiffSyntax << '\n';
    return 2;
  }
  if (size) {
    std::string message;
    const std::optional<std::uint64_t> bytes = sortMemoryOption(*size, message);
    if (!bytes) {
      err << message << '\n';
      return 2;
    }
    command.sortMemory = *bytes;
  }
  StderrNotices notices(err, command.silentMode);
  if (command.patternMissing) {
    notices.notify({TextId::PatternNameMissing, {}});
    return 2;
  }
  int status = 2;
  withinMemory(notices, formatOutputName(command.outputNameTemplate, 1),
               [&] { status = printDiff(command, color, terminal, files, notices, out); });
  return status;
}

}  // namespace strovel
