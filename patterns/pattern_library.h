// The pattern library: the pattern files (".shbl") of a folder, which the
// main window lists, and the naming rules of its save commands. The order of
// the list is in pattern_order.h, a library of its own.
#pragma once

#include <string>
#include <vector>

namespace strovel {

inline constexpr const char* kPatternExtension = ".shbl";

// Names (not paths) of the entries of `folder` whose names end in ".shbl",
// in the order the folder lists them. Folders are left out, even when their
// name ends in ".shbl"; links to files count. An unreadable folder gives
// none.
std::vector<std::string> findPatternFiles(const std::string& folder = ".");

// The name "Save pattern as" writes to: the chosen path, with ".shbl"
// appended unless its last five bytes are exactly ".shbl" (case matters).
std::string withPatternExtension(std::string path);

}  // namespace strovel
