// Parsing of the kestrune command line. The working text is a view into the
// caller's line that only ever loses bytes at its ends, so every step is a
// prefix or suffix removal or a cut at the first occurrence of a marker.
// The order of the steps is the contract: an option out of its place is
// left in front of every later test, and a value is whatever lies between
// two markers, however odd.
#include "app/command_line.h"

#include <optional>
#include <string>

#include "engine/sort_budget.h"
#include "platform/memory.h"

namespace strovel {
namespace {

constexpr std::string_view kInputMarker = "in_file=";
constexpr std::string_view kOutputMarker = "out_file=";
constexpr std::string_view kPatternMarker = "templet=";

// Blanks, tabs, line breaks and the other control codes in front of the
// arguments. Code 0 is an ordinary byte; bytes above 127 are never skipped.
bool isLeadingFiller(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

void removeLeading(std::string_view& text, char c) {
  const size_t keep = text.find_first_not_of(c);
  text.remove_prefix(keep == std::string_view::npos ? text.size() : keep);
}

void removeTrailing(std::string_view& text, char c) {
  const size_t last = text.find_last_not_of(c);
  text.remove_suffix(last == std::string_view::npos ? text.size() : text.size() - last - 1);
}

// The working text: fillers skipped, then leading quotes, leading blanks
// and trailing quotes removed. Tabs and trailing blanks stay.
std::string_view workingText(std::string_view line) {
  size_t start = 0;
  while (start < line.size() && isLeadingFiller(line[start])) ++start;
  line.remove_prefix(start);
  removeLeading(line, '"');
  removeLeading(line, ' ');
  removeTrailing(line, '"');
  return line;
}

// Removes `literal` from the front of `text` when it is exactly there.
bool consumePrefix(std::string_view& text, std::string_view literal) {
  if (!text.starts_with(literal)) return false;
  text.remove_prefix(literal.size());
  return true;
}

// Returns what lies before the first `marker` and removes it and the marker
// from `rest`; without the marker `rest` is left as it is.
std::optional<std::string_view> cutAt(std::string_view& rest, std::string_view marker) {
  const size_t at = rest.find(marker);
  if (at == std::string_view::npos) return std::nullopt;
  const std::string_view before = rest.substr(0, at);
  rest.remove_prefix(at + marker.size());
  return before;
}

// Outer blanks go first, then outer quotes, so a blank written inside the
// quotes survives.
std::string trimValue(std::string_view value) {
  removeLeading(value, ' ');
  removeTrailing(value, ' ');
  removeLeading(value, '"');
  removeTrailing(value, '"');
  return std::string(value);
}

// Fills the three values from what follows "in_file=".
void cutValues(std::string_view rest, CommandLine& result) {
  if (const auto input = cutAt(rest, kOutputMarker)) {
    result.inputPath = trimValue(*input);
    const auto nameTemplate = cutAt(rest, kPatternMarker);
    if (!nameTemplate) {
      result.patternMissing = true;
      return;
    }
    result.outputNameTemplate = trimValue(*nameTemplate);
  } else if (const auto inputBeforePattern = cutAt(rest, kPatternMarker)) {
    result.inputPath = trimValue(*inputBeforePattern);
  } else {
    result.patternMissing = true;
    return;
  }
  result.patternPath = trimValue(rest);
}

}  // namespace

const std::string_view kBatchSyntax =
    "kestrune [+open ][+dos ][+stat ][+silent ]in_file=IN [out_file=TEMPLATE ]templet=PATTERN";
const std::string_view kDiffSyntax =
    "kestrune --diff [--color[=WHEN] ][+dos ][+stat ]in_file=IN [out_file=TEMPLATE "
    "]templet=PATTERN";

std::string usageText() {
  return "Usage: " + std::string(kBatchSyntax) + "\n       " + std::string(kDiffSyntax) +
         "\n       kestrune --sort-memory=SIZE (either of the above)" +
         "\n"
         "       kestrune [PATTERN.shbl]  (the desktop window)\n"
         "\n"
         "Applies the rules of the pattern file PATTERN (.shbl) to the text file IN and\n"
         "writes the result to TEMPLATE (default res_%d.txt; %d becomes 1).\n"
         "Options must come first, in this order, each followed by exactly one blank:\n"
         "  +open    open the result with the desktop afterwards\n"
         "  +dos     the input is DOS text (CP866); convert it first\n"
         "  +stat    write one summary line per rule at the head of the result\n"
         "  +silent  print no messages\n"
         "Values may be enclosed in double quotes and may contain blanks.\n"
         "\n"
         "--sort-memory=SIZE, first on the line (before or after --diff), sets the memory\n"
         "the sorts may hold together, written as for sort -S: a number of KiB, or with\n"
         "b, K, M, G, T or % (of the machine's memory). Beyond it they sort in runs on\n"
         "disk, in $TMPDIR (or /tmp), and merge them. The default is the memory\n"
         "available (at least an eighth of the machine's), within half of the\n"
         "process's limits.\n"
         "\n"
         "--diff writes nothing: it prints the changes the pattern makes to IN as a\n"
         "unified diff (diff -u, LF line breaks), the summary lines first with +stat.\n"
         "--color=auto|always|never colours it (auto: when stdout is a terminal).\n"
         "It exits 0 when nothing changes, 1 when something does, 2 on trouble.\n"
         "\n"
         "Exit status: 0 success; 1 a file failed (input, pattern or result) or a rule\n"
         "has an unknown action; 2 templet= is missing, or no display for the window.\n";
}

std::string joinArguments(int argc, const char* const* argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

CommandLine parseCommandLine(std::string_view line) {
  CommandLine result;
  std::string_view rest = workingText(line);
  result.openResult = consumePrefix(rest, "+open ");
  result.dosMode = consumePrefix(rest, "+dos ");
  result.statistics = consumePrefix(rest, "+stat ");
  result.silentMode = consumePrefix(rest, "+silent ");
  result.batch = consumePrefix(rest, kInputMarker);
  if (result.batch) cutValues(rest, result);
  return result;
}

std::optional<std::string_view> takeSortMemory(std::string_view& rest) {
  constexpr std::string_view kOption = "--sort-memory=";
  if (!rest.starts_with(kOption)) return std::nullopt;
  const std::size_t end = rest.find(' ');
  const std::string_view size =
      rest.substr(kOption.size(), end == rest.npos ? rest.npos : end - kOption.size());
  rest.remove_prefix(end == rest.npos ? rest.size() : end + 1);
  return size;
}

std::optional<std::uint64_t> sortMemoryOption(std::string_view size, std::string& message) {
  const std::uint64_t physical = memoryLimits().physical;
  if (const std::optional<std::uint64_t> bytes = parseSortBudget(size, physical)) return bytes;
  message = "kestrune: --sort-memory=" + std::string(size) +
            ": not a size (a number of KiB, or with b, K, M, G, T or %; more than 0 and at most "
            "the machine's " +
            std::to_string(physical >> 20) + " MiB)";
  return std::nullopt;
}

bool isDiffCommandLine(std::string_view line) {
  constexpr std::string_view kDiff = "--diff";
  takeSortMemory(line);
  return line.starts_with(kDiff) && (line.size() == kDiff.size() || line[kDiff.size()] == ' ');
}

}  // namespace strovel
