// The order of the main window's pattern list: alphabetical as the names are
// shown, letter case ignored exactly as Qt 6's case-insensitive QString
// comparison ignores it, names equal but for case ordered by their bytes.
// Plain C++, no Qt; in a library of its own (strovel_pattern_order) because
// the case folding comes from ICU, which only the desktop part links, so that
// the batch program never loads it.
//
//   std::vector<std::string> names = findPatternFiles(".");
//   sortPatternNames(names);  // "alpha.shbl", "Beta.shbl", "C.SHBL"
#pragma once

#include <string>
#include <vector>

namespace strovel {

// Sorts names, bytes in the ANSI code page, into the list's order.
//
// A name is shown as ansiToUtf8 decodes it (bytes the codeset lacks become
// U+FFFD) and, as QString::fromUtf8 does, without a leading U+FEFF. Names
// compare by their UTF-16 code units, each folded by Unicode's simple case
// folding (CaseFolding.txt, statuses C and S: "ß" stays "ß", "İ" stays "İ");
// a surrogate pair's lead unit counts as itself, its trail unit as the folded
// code point. A name that is a prefix of another comes first. So a character
// beyond U+FFFF sorts before U+E000..U+FFFF, U+FFFD included, as in Qt.
void sortPatternNames(std::vector<std::string>& names);
// The same with names in the given codeset instead of the locale's.
void sortPatternNames(std::vector<std::string>& names, const std::string& codeset);

}  // namespace strovel
