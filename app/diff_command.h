// kestrune --diff: a trial run of a pattern over one input, printed as a
// unified diff between the input text and the result text (both with LF
// line breaks) instead of being written. The exit status is diff's: 0 when
// the pattern changes nothing, 1 when it changes something, 2 when a file
// failed or the command line is wrong.
// Its syntax is kDiffSyntax (command_line.h): the diff's own options, then
// a part read exactly as a batch command line.
// With +stat the summary lines of the rules come first, before the headers.
#pragma once

#include <ostream>
#include <string_view>

#include "platform/file_system.h"

namespace strovel {

// Runs the command; `terminal` says whether `out` is a terminal, for
// --color=auto. Messages go to `err`.
int runDiffCommand(std::string_view line, FileSystem& files, std::ostream& out, std::ostream& err,
                   bool terminal);

}  // namespace strovel
