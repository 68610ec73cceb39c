// The command line of kestrune: the options and the three named values that
// start a batch run. The line is argv[1..] joined with single blanks; it is
// read left to right with no tokenising: four options, each tested once at
// the front in a fixed order ("+open ", "+dos ", "+stat ", "+silent "), then
// "in_file=", and the values are cut at the first "out_file=" and
// "templet=" markers, so values may hold blanks with or without quotes.
// Parsing never fails: a line that is not a batch line is an interactive
// start, and a batch line without "templet=" is flagged for the caller to
// report. Nothing here touches files or prints.
//
//   CommandLine cl = parseCommandLine(joinArguments(argc, argv));
//   if (cl.batch && !cl.patternMissing) runBatch(cl.inputPath, cl.patternPath, ...);
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace strovel {

struct CommandLine {
  bool openResult = false;  // "+open ": open each result file after writing it
  bool dosMode = false;     // "+dos ": convert the input from the OEM code page
  bool statistics = false;  // "+stat ": write the statistics block
  bool silentMode = false;  // "+silent ": drop every guarded notice
  bool batch = false;       // "in_file=" followed the options
  // Batch, but no "templet=" where it was looked for. The three values are
  // then incomplete and must not be used.
  bool patternMissing = false;
  std::string inputPath;
  std::string outputNameTemplate = "res_%d.txt";
  std::string patternPath;
  std::uint64_t sortMemory = 0;  // "--sort-memory=": the sorts' budget, 0 for the default
};

// argv[1..] joined with single blanks ("" when there are none). The shell
// has already removed its quoting; what is left is taken byte for byte.
std::string joinArguments(int argc, const char* const* argv);

// Reads a joined command line (raw bytes, any content). The option flags
// are reported whatever the mode; the three values are set only in batch
// mode and are trimmed of their outer blanks and then their outer double
// quotes (tabs stay).
CommandLine parseCommandLine(std::string_view line);

// The syntax of a batch run and of the diff command, as usage lines show
// them, and the whole text of --help.
extern const std::string_view kBatchSyntax;
extern const std::string_view kDiffSyntax;
std::string usageText();

// Takes "--sort-memory=SIZE" off the front of `rest` when it stands there,
// followed by a blank or the end, and gives SIZE as written.
std::optional<std::string_view> takeSortMemory(std::string_view& rest);

// The budget a --sort-memory SIZE sets (see sort_budget.h), or nullopt for
// a SIZE that is none; `message` then holds the one line that says so.
std::optional<std::uint64_t> sortMemoryOption(std::string_view size, std::string& message);

// True when the joined line asks for a diff: "--diff" alone or followed by
// a blank, after a "--sort-memory=SIZE " or not (what follows is the diff
// command's, see app/diff_command.h).
bool isDiffCommandLine(std::string_view line);

}  // namespace strovel
