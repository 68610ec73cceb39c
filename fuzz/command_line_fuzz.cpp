// Fuzz target for the command-line step: any bytes as the joined command
// line. Beyond not crashing or reading outside the line, the parse must be
// consistent: each value is a piece of the line, a batch line without a
// pattern leaves the defaults, and the options are what the line starts with.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "fuzz/fuzz_support.h"

namespace {

bool isPieceOf(std::string_view line, const std::string& value) {
  return value.empty() || line.find(value) != std::string_view::npos;
}

// A value is trimmed of outer blanks and then outer quotes, so it never
// starts or ends with a quote, and begins with a blank only behind a quote.
bool isTrimmed(const std::string& value) {
  return value.empty() || (value.front() != '"' && value.back() != '"');
}

}  // namespace

FUZZ_TARGET(command_line) {
  using namespace strovel;
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const CommandLine parsed = parseCommandLine(line);
  if (!parsed.batch || parsed.patternMissing) {
    FUZZ_CHECK(parsed.patternPath.empty());
    FUZZ_CHECK(!parsed.batch || parsed.outputNameTemplate == "res_%d.txt");
  }
  if (!parsed.batch) FUZZ_CHECK(parsed.inputPath.empty());
  if (parsed.batch) FUZZ_CHECK(line.find("in_file=") != std::string_view::npos);
  if (parsed.batch && !parsed.patternMissing) {
    FUZZ_CHECK(line.find("templet=") != std::string_view::npos);
    FUZZ_CHECK(isPieceOf(line, parsed.inputPath) && isTrimmed(parsed.inputPath));
    FUZZ_CHECK(isPieceOf(line, parsed.patternPath) && isTrimmed(parsed.patternPath));
    FUZZ_CHECK(
        parsed.outputNameTemplate == "res_%d.txt" ||
        (isPieceOf(line, parsed.outputNameTemplate) && isTrimmed(parsed.outputNameTemplate)));
    // The input path is cut at the first "out_file=", or without one at the
    // first "templet=", so that marker never survives inside it.
    FUZZ_CHECK(parsed.inputPath.find("out_file=") == std::string::npos);
    if (line.find("out_file=") == std::string_view::npos)
      FUZZ_CHECK(parsed.inputPath.find("templet=") == std::string::npos);
  }
  if (parsed.openResult) FUZZ_CHECK(line.find("+open ") != std::string_view::npos);
  if (parsed.silentMode) FUZZ_CHECK(line.find("+silent ") != std::string_view::npos);

  // Split at blanks into arguments (as a shell would pass them), the line
  // joins back to the same bytes; arguments are C strings, so no zero byte.
  if (line.find('\0') == std::string_view::npos) {
    std::vector<std::string> pieces(1);
    for (char c : line) {
      if (c == ' ')
        pieces.emplace_back();
      else
        pieces.back().push_back(c);
    }
    std::vector<const char*> argv = {"kestrune"};
    for (const std::string& piece : pieces) argv.push_back(piece.c_str());
    FUZZ_CHECK(joinArguments(static_cast<int>(argv.size()), argv.data()) == line);
  }
}
