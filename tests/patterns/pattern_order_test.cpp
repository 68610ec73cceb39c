// The pattern list's order without Qt: lists of names in a code page and
// the order they must come out in. (tests/desktop compares the order with
// Qt's on every character and on thousands of random names.)
#include "patterns/pattern_order.h"

#include <gtest/gtest.h>

namespace strovel {
namespace {

using Names = std::vector<std::string>;

struct OrderCase {
  const char* codeset;
  Names given;
  Names sorted;
};

TEST(PatternOrderTest, SortsAsShownIgnoringCaseThenByBytes) {
  const OrderCase cases[] = {
      {"UTF-8", {}, {}},
      {"UTF-8",
       {"C.SHBL", "beta.shbl", "Beta.shbl", "alpha.shbl", "Beta.shbl"},
       {"alpha.shbl", "Beta.shbl", "Beta.shbl", "beta.shbl", "C.SHBL"}},
      // Folding, not lower case: ſ is s, the Kelvin sign k, final sigma σ.
      {"UTF-8", {"t", "\u017F", "S", "\u212A", "l"}, {"\u212A", "l", "S", "\u017F", "t"}},
      {"UTF-8", {"\u03C3b", "\u03C2a", "\u03A3c"}, {"\u03C2a", "\u03C3b", "\u03A3c"}},
      // Cherokee folds to its capitals: ꭰ (U+AB70) is Ꭰ (U+13A0), before Ꭱ.
      {"UTF-8", {"\u13A1", "\uAB70", "\u13A0"}, {"\u13A0", "\uAB70", "\u13A1"}},
      // UTF-16 order: beyond U+FFFF (Deseret) comes before U+E000..U+FFFF; a
      // byte that is not UTF-8 is U+FFFD.
      {"UTF-8",
       {"\xFF", "\uE000", "\U00010428", "\U00010401", "\U00010400", "\uD7A3"},
       {"\uD7A3", "\U00010400", "\U00010428", "\U00010401", "\uE000", "\xFF"}},
      // A leading byte-order mark is not shown, a later one is.
      {"UTF-8", {"c", "\uFEFFb", "a", "a\uFEFF", "aa"}, {"a", "aa", "a\uFEFF", "\uFEFFb", "c"}},
      // CP1251 by its letters, not its bytes: ж (0xE6) before Ё (0xA8), ё (0xB8).
      {"CP1251", {"\xB8", "\xE6", "\xA8", "z"}, {"z", "\xE6", "\xA8", "\xB8"}},
      // The same bytes in UTF-8 are all U+FFFD, so their bytes decide.
      {"UTF-8", {"\xB8", "\xE6", "\xA8", "z"}, {"z", "\xA8", "\xB8", "\xE6"}},
  };
  for (const OrderCase& c : cases) {
    Names names = c.given;
    sortPatternNames(names, c.codeset);
    EXPECT_EQ(names, c.sorted) << c.codeset << " " << c.given.size();
  }
}

}  // namespace
}  // namespace strovel
