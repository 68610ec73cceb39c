// The diff command: its own options, then a batch line, a trial run and the
// unified diff on stdout.
#include "diff/diff_command.h"

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
constexpr const char* kUsage =
    "kestrune: usage: kestrune --diff [--color[=WHEN] ][+dos ][+stat ]in_file=IN "
    "[out_file=TEMPLATE ]templet=PATTERN\n";
constexpr int kMissingPattern = 140;
constexpr int kResultNotCreated = 160;
constexpr int kTooLargeToCompare = 210;

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

class DiffEnvironment : public RunEnvironment {
 public:
  DiffEnvironment(FileSystem& files, NoticeSink& notices) : files_(files), notices_(notices) {}
  FileSystem& files() override { return files_; }
  NoticeSink& notices() override { return notices_; }
  const LanguageSelector& language() override { return language_; }
  void openResult(const std::string&) override {}

 private:
  FileSystem& files_;
  NoticeSink& notices_;
  LanguageSelector language_;
};

}  // namespace

int runDiffCommand(std::string_view line, FileSystem& files, std::ostream& out, std::ostream& err,
                   bool terminal) {
  std::string_view rest = line.substr(std::min(line.size(), kDiff.size() + 1));
  Color color = Color::Auto;
  const bool colorKnown = takeColor(rest, color);
  const CommandLine command = parseCommandLine(rest);
  if (!colorKnown || !command.batch || command.openResult) {
    err << kUsage;
    return 2;
  }
  StderrNotices notices(err, command.silentMode);
  if (command.patternMissing) {
    notices.notify({kMissingPattern, {}});
    return 2;
  }
  RunOptions options;
  options.dosMode = command.dosMode;
  options.outputNameTemplate = command.outputNameTemplate;
  const std::string resultName = formatOutputName(options.outputNameTemplate, 1);
  try {
    PatternState pattern;
    loadPattern(pattern, command.patternPath, files, notices);
    DiffEnvironment environment(files, notices);
    const std::optional<TrialResult> trial =
        trialRun(pattern.rules, command.inputPath, options, environment);
    if (!trial) return 2;
    if (command.statistics)
      for (const std::string& summary : trial->statisticsLines) out << summary << '\n';
    const LineDiff diff = diffLines(trial->input, trial->result, 3);
    if (diff.failed) {
      // xdiff compares texts of up to about 1 GB.
      notices.notify({kTooLargeToCompare, command.inputPath});
      return 2;
    }
    UnifiedStyle style;
    style.color = color == Color::Always || (color == Color::Auto && terminal);
    style.beforeStamp = fileStamp(command.inputPath);
    style.afterStamp = nowStamp();
    out << unifiedDiff(trial->input, trial->result, diff, command.inputPath, resultName, style);
    out.flush();
    if (notices.exitStatus() != 0 || !out) return 2;
    return diff.hunks.empty() ? 0 : 1;
  } catch (const std::bad_alloc&) {
    notices.notify({kResultNotCreated, resultName});
    return 2;
  }
}

}  // namespace strovel
