// Parsing of the kestrune command line. The working text is a view into the
// caller's line that only ever loses bytes at its ends, so every step is a
// prefix or suffix removal or a cut at the first occurrence of a marker.
// The order of the steps is the contract: an option out of its place is
// left in front of every later test, and a value is whatever lies between
// two markers, however odd.
#include "app/command_line.h"

#include <optional>

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

bool isDiffCommandLine(std::string_view line) {
  constexpr std::string_view kDiff = "--diff";
  return line.starts_with(kDiff) && (line.size() == kDiff.size() || line[kDiff.size()] == ' ');
}

}  // namespace strovel
