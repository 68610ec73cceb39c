// Fuzz target for the command-line step: any bytes as the joined command
// line. Beyond not crashing or reading outside the line, the parse must be
// consistent: each value is a piece of the line, trimmed of outer blanks and
// then of outer quotes (so it neither starts nor ends with a quote); a line
// without a pattern leaves the defaults; the input path is cut at the first
// "out_file=" (without one, at the first "templet="); options are found in
// the line. Split at blanks into arguments, as a shell passes them (C
// strings, so without zero bytes), the line joins back to the same bytes.
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "fuzz/fuzz_support.h"

FUZZ_TARGET(command_line) {
  using namespace strovel;
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const auto has = [&](std::string_view text) { return line.find(text) != line.npos; };
  const auto piece = [&](const std::string& v) {
    return v.empty() || (has(v) && v.front() != '"' && v.back() != '"');
  };
  const CommandLine c = parseCommandLine(line);
  const bool values = c.batch && !c.patternMissing;
  FUZZ_CHECK(values || (c.patternPath.empty() && (c.batch || c.inputPath.empty()) &&
                        (!c.batch || c.outputNameTemplate == "res_%d.txt")));
  FUZZ_CHECK(!c.batch || has("in_file="));
  FUZZ_CHECK(!values || (has("templet=") && piece(c.inputPath) && piece(c.patternPath) &&
                         (c.outputNameTemplate == "res_%d.txt" || piece(c.outputNameTemplate))));
  FUZZ_CHECK(!values ||
             c.inputPath.find(has("out_file=") ? "out_file=" : "templet=") == std::string::npos);
  FUZZ_CHECK((!c.openResult || has("+open ")) && (!c.silentMode || has("+silent ")));
  if (has(std::string_view("\0", 1))) return;
  std::vector<std::string> pieces(1);
  for (char ch : line) ch == ' ' ? void(pieces.emplace_back()) : pieces.back().push_back(ch);
  std::vector<const char*> argv = {"kestrune"};
  for (const std::string& p : pieces) argv.push_back(p.c_str());
  FUZZ_CHECK(joinArguments(static_cast<int>(argv.size()), argv.data()) == line);
}
