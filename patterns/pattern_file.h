// Pattern files (".shbl"): the line-oriented format that stores one pattern,
// and the load and save operations the main window runs on its pattern
// state. The format is a "vers=1" header line, then 17 lines per rule: the
// "========" separator, Pattern1, Pattern2, ActionType, Pattern3,
// LocationFromStart, LocationAfterPattern1 and ten empty lines, each ended
// by CR LF. A LF inside a text is written as the marker "(_^p_)".
//
// The reader is lenient by design: it never checks the header, skips
// stray lines up to the next separator, reads missing fields as empty or 0,
// and turns any number line into a number the way atoi does. Nothing here
// shows UI; failures and outcomes go to a NoticeSink, and silent mode is the
// sink's business.
//
//   PatternState state;
//   loadPattern(state, "rules.shbl", diskFileSystem(), sink);
//   window.setCaption(patternCaption(state.currentPatternPath, ansiIsUtf8()));
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/notice.h"
#include "patterns/rule_list.h"
#include "platform/file_system.h"

namespace strovel {

// atoi's reading of a number text: leading blanks, an optional sign, then
// digits up to the first other byte (0 when there are none), clamped to the
// signed 32-bit range instead of overflowing.
std::int32_t parseAtoi(std::string_view text);

// The exact bytes of a pattern file holding these rules.
std::string encodePatternFile(const RuleList& rules);

// The rules a pattern file's raw bytes describe. Every byte string is
// accepted (malformed content is never an error). Zero bytes and byte 26
// are ordinary bytes. CRs inside texts do not survive: the reader removes
// them, and a text holding "(_^p_)" comes back with a LF in its place.
// Number lines beyond the signed 32-bit range are clamped to it.
RuleList decodePatternFile(std::string_view bytes);

// The main window's caption for a loaded pattern: "Strovel  [path]", or
// "Strovel  [..." and the path's last 18 bytes "]" for longer paths. With
// utf8 set, the tail is shortened so that it never starts inside a UTF-8
// character.
std::string patternCaption(std::string_view path, bool utf8);

// What a window keeps about its pattern: the current rules, the path they
// were last loaded from or saved to (exactly as given; empty before the
// first success) and whether they were edited since the last save.
struct PatternState {
  RuleList rules;
  std::string currentPatternPath;
  bool patternModified = false;
};

// Replaces state.rules by the rules of the file at path and sets
// currentPatternPath to path. The loaded rules are what the file holds, so
// patternModified is cleared. An empty file is an empty pattern. When the file does not open,
// notifies Notice{164, path} (" does not open"), leaves state as it was and gives false.
bool loadPattern(PatternState& state, const std::string& path, FileSystem& files, NoticeSink& sink);

// Writes state.rules to path by atomic replacement. On success sets
// currentPatternPath to path, clears patternModified and notifies
// Notice{166, absolute path} (" saved"). When the file cannot be created,
// written or committed, notifies Notice{164, path}, leaves state and any
// old file as they were and gives false.
bool savePattern(PatternState& state, const std::string& path, FileSystem& files, NoticeSink& sink);

}  // namespace strovel
