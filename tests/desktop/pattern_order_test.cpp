// The pattern list's order checked against the Qt order the main window
// used to make itself: QString::compare ignoring case on each name as the
// window shows it (toDisplay), names equal that way ordered by their bytes.
// Every Unicode character and every byte as a one-character name; thousands
// of random names under a UTF-8 and under a CP1251 locale, built so that
// names equal but for case, and names one character apart, are common; and
// a table of pairs that pin the cases where ignoring case is subtle.
#include "patterns/pattern_order.h"

#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <clocale>
#include <random>
#include <string>
#include <vector>

#include "ui/ui_text.h"

namespace strovel {
namespace {

using Names = std::vector<std::string>;

// The reference: the order as the window made it with Qt.
Names qtOrder(const Names& names) {
  std::vector<std::pair<QString, std::string>> entries;
  for (const std::string& name : names) entries.emplace_back(toDisplay(name), name);
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    const int c = QString::compare(a.first, b.first, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.second < b.second;
  });
  Names sorted;
  for (auto& entry : entries) sorted.push_back(std::move(entry.second));
  return sorted;
}

Names libraryOrder(Names names) {
  sortPatternNames(names);
  return names;
}

std::string utf8(char32_t c) { return QString::fromUcs4(&c, 1).toStdString(); }

// A name's bytes, those outside printable ASCII as \xHH, for messages.
std::string escaped(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : name) {
    if (b >= 0x20 && b < 0x7F && b != '\\') {
      out += static_cast<char>(b);
    } else {
      out += std::string("\\x") + kHex[b >> 4] + kHex[b & 15];
    }
  }
  return out;
}

// "" when both orders are the same, else where they first part.
std::string firstDifference(const Names& qt, const Names& library) {
  if (qt.size() != library.size()) return "different lengths";
  for (std::size_t i = 0; i < qt.size(); ++i) {
    if (qt[i] != library[i]) {
      return "at " + std::to_string(i) + ": Qt has \"" + escaped(qt[i]) + "\", the library \"" +
             escaped(library[i]) + "\"";
    }
  }
  return "";
}

// The process locale, switched for a while and restored after.
class LocaleScope {
 public:
  explicit LocaleScope(const char* name)
      : saved_(std::setlocale(LC_ALL, nullptr)), active_(std::setlocale(LC_ALL, name)) {}
  ~LocaleScope() { std::setlocale(LC_ALL, saved_.c_str()); }
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;
  bool active() const { return active_; }

 private:
  std::string saved_;
  bool active_;
};

// Every Unicode scalar value as a one-character name, in one list: the two
// orders agree only if the library folds each character as Qt does, and
// orders characters beyond U+FFFF among the others as Qt's UTF-16 does.
TEST(PatternOrderTest, EveryCharacterSortsAsInQt) {
  const LocaleScope locale("C.UTF-8");
  ASSERT_TRUE(locale.active());
  Names names;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c < 0xD800 || c > 0xDFFF) names.push_back(utf8(c));
  }
  std::shuffle(names.begin(), names.end(), std::mt19937(7));
  EXPECT_EQ(firstDifference(qtOrder(names), libraryOrder(names)), "");
}

// Every byte as a one-byte name and as the first of two, under both code
// pages: in UTF-8 all but ASCII are invalid alone, in CP1251 only 0x98.
TEST(PatternOrderTest, EveryByteSortsAsInQt) {
  for (const char* name : {"C.UTF-8", "ru_RU.CP1251"}) {
    const LocaleScope locale(name);
    if (!locale.active()) {
      ADD_FAILURE() << "no locale " << name;
      continue;
    }
    Names names;
    for (int b = 0; b < 256; ++b) {
      names.emplace_back(1, static_cast<char>(b));
      for (const char* next : {"a", "B", "\xC3\xA9", "\xE0", "\xC0"})
        names.push_back(std::string(1, static_cast<char>(b)) + next);
    }
    std::shuffle(names.begin(), names.end(), std::mt19937(11));
    EXPECT_EQ(firstDifference(qtOrder(names), libraryOrder(names)), "") << name;
  }
}

// The characters of random names, in groups that are meant to be the same
// ignoring case (whether they are is Qt's to say: the groups only make
// near-equal names common). Plain strings are UTF-8 text or invalid bytes.
using Group = std::vector<std::string>;

std::vector<Group> utf8Groups() {
  // clang-format off
  return {
      {"a", "A"}, {"i", "I"}, {"z", "Z"}, {"0"}, {"9"}, {"."}, {"_"}, {" "}, {"~"}, {"["},
      // Latin-1 and Latin Extended: ß, ẞ; s, ſ; µ and Greek mu; Kelvin sign; Å sign;
      // dotted capital I and dotless i; the title-case digraph Dž; ¶ between µ's codes.
      {"\u00DF", "\u1E9E"}, {"s", "S", "\u017F"}, {"\u00B5", "\u03BC", "\u039C"},
      {"k", "K", "\u212A"}, {"\u00E5", "\u00C5", "\u212B"}, {"\u0130"}, {"\u0131"},
      {"\u01C4", "\u01C5", "\u01C6"}, {"\u00B6"}, {"\u00E9", "\u00C9"},
      // Greek: sigma and final sigma; symbols that fold to letters; ypogegrammeni and iota.
      {"\u03C3", "\u03C2", "\u03A3"}, {"\u03B2", "\u0392", "\u03D0"},
      {"\u03B8", "\u0398", "\u03D1"}, {"\u03C6", "\u03A6", "\u03D5"},
      {"\u03B9", "\u0399", "\u0345", "\u1FBE"}, {"\u03C7"},
      // Cyrillic.
      {"\u0430", "\u0410"}, {"\u0451", "\u0401"}, {"\u0436", "\u0416"}, {"\u044F", "\u042F"},
      // Cherokee, which folds to its capitals, the small letters being the newer.
      {"\u13A0", "\uAB70"}, {"\u13F0", "\u13F8"}, {"\u13A1"},
      // Deseret, Osage and Adlam, beyond U+FFFF.
      {"\U00010400", "\U00010428"}, {"\U00010401", "\U00010429"}, {"\U000104B0", "\U000104D8"},
      {"\U0001E900", "\U0001E922"},
      // Above the surrogates: Hangul's last, private use, fullwidth, U+FEFF, U+FFFD.
      {"\uD7A3"}, {"\uE000"}, {"\uFF21", "\uFF41"}, {"\uFEFF"}, {"\uFFFD"},
      // Invalid: stray continuations, a lone lead, a cut sequence, an encoded
      // surrogate, beyond U+10FFFF, an overlong form, bytes never used.
      {"\x80", "\xBF"}, {"\xC3"}, {"\xE2\x84"}, {"\xED\xA0\x80"}, {"\xF4\x90\x80\x80"},
      {"\xC0\xAF"}, {"\xFE", "\xFF"}};
  // clang-format on
}

std::vector<Group> cp1251Groups() {
  // а А, ё Ё, ж Ж, я Я, ў Ў, ђ Ђ, š Š, µ, and 0x98, which CP1251 leaves out (U+FFFD).
  // clang-format off
  std::vector<Group> groups = {
      {"a", "A"}, {"z", "Z"}, {"0"}, {"."}, {"_"}, {" "}, {"\xE0", "\xC0"}, {"\xB8", "\xA8"},
      {"\xE6", "\xC6"}, {"\xFF", "\xDF"}, {"\xA2", "\xA1"}, {"\x90", "\x80"}, {"\x9A", "\x8A"},
      {"\xB5"}, {"\x98"}};
  // clang-format on
  // And every byte above ASCII once more, alone.
  for (int b = 0x80; b < 0x100; ++b) groups.push_back({std::string(1, static_cast<char>(b))});
  return groups;
}

// Random lists of names: stems of 0 to 5 groups, each stem spelt several
// ways, some with ".shbl" after it. Names equal but for case, and names
// that share long beginnings, are common, and the ties go to the bytes.
Names randomNames(const std::vector<Group>& groups, std::mt19937& random, std::size_t count) {
  std::uniform_int_distribution<std::size_t> length(0, 5), spellings(1, 4);
  std::uniform_int_distribution<std::size_t> group(0, groups.size() - 1);
  Names names;
  while (names.size() < count) {
    std::vector<std::size_t> stem(length(random));
    for (std::size_t& g : stem) g = group(random);
    for (std::size_t n = spellings(random); n > 0 && names.size() < count; --n) {
      std::string name;
      for (std::size_t g : stem) name += groups[g][random() % groups[g].size()];
      if (random() % 2) name += ".shbl";
      names.push_back(name);
    }
  }
  std::shuffle(names.begin(), names.end(), random);
  return names;
}

// 40 lists of 250 names under each locale, 20000 names in all.
TEST(PatternOrderTest, RandomNamesSortAsInQt) {
  const std::pair<const char*, std::vector<Group>> locales[] = {{"C.UTF-8", utf8Groups()},
                                                                {"ru_RU.CP1251", cp1251Groups()}};
  std::mt19937 random(20240611);
  for (const auto& [name, groups] : locales) {
    const LocaleScope locale(name);
    if (!locale.active()) {
      ADD_FAILURE() << "no locale " << name;
      continue;
    }
    for (int list = 0; list < 40; ++list) {
      const Names names = randomNames(groups, random, 250);
      const std::string difference = firstDifference(qtOrder(names), libraryOrder(names));
      ASSERT_EQ(difference, "") << name << ", list " << list;
    }
  }
}

// Pairs listed in this order, by Qt and by the library alike; `same` when
// Qt finds them equal ignoring case, so that their bytes decide.
struct Pair {
  bool cp1251;
  const char* first;
  const char* second;
  bool same;
};
constexpr Pair kPairs[] = {
    {false, "a", "B", false},                       // case ignored, not bytes
    {false, "A", "a", true},                        // a tie goes to the bytes
    {false, "Ab", "ab", true},                      //
    {false, "ab", "ABC", false},                    // a prefix first
    {false, "ss", "\u00DF", false},                 // ß is not "ss": simple folding
    {false, "\u00DF", "\u1E9E", true},              // ß, capital ẞ
    {false, "S", "\u017F", true},                   // ſ is s
    {false, "\u017Fz", "T", false},                 // ſz before T
    {false, "\u00B6", "\u00B5", false},             // µ is μ (U+03BC), after ¶
    {false, "\u00B5", "\u039C", true},              // µ, capital mu
    {false, "i", "\u0130", false},                  // İ stays İ: no Turkic folding
    {false, "\u0130", "\u0131", false},             // İ, ı
    {false, "k", "\u212A", true},                   // Kelvin sign is k
    {false, "\u212A", "l", false},                  //
    {false, "\u00E5", "\u212B", true},              // Å sign is å
    {false, "\u212B", "\u00E6", false},             // and before æ
    {false, "\u01C4", "\u01C5", true},              // Ǆ, ǅ
    {false, "\u03C2x", "\u03C3y", false},           // final sigma is σ
    {false, "\u03A3", "\u03C2", true},              // Σ, ς
    {false, "\u03D0", "\u03B3", false},             // ϐ is β, before γ
    {false, "\u03D1", "\u03B9", false},             // ϑ is θ, before ι
    {false, "\u03D5", "\u03C7", false},             // ϕ is φ, before χ
    {false, "\u0345", "\u0399", true},              // ypogegrammeni is ι
    {false, "\u0401", "\u0451", true},              // Ё, ё
    {false, "\u0436", "\u0401", false},             // ж before Ё (ё)
    {false, "\uAB70", "\u13A1", false},             // Cherokee ꭰ is Ꭰ, before Ꭱ
    {false, "\u13A0", "\uAB70", true},              //
    {false, "\U00010400", "\U00010428", true},      // Deseret 𐐀, 𐐨
    {false, "\U00010428z", "\U00010401y", false},   // 𐐨z before 𐐁y (𐐩y)
    {false, "\uD7A3", "\U00010400", false},         // U+D7A3 before 𐐀
    {false, "\U00010400", "\uE000", false},         // 𐐀 before U+E000: UTF-16
    {false, "\U0001E922", "\uFF21", false},         // Adlam before fullwidth A
    {false, "\U00010400", "\x80", false},           // 𐐀 before U+FFFD
    {false, "a\uFEFF", "a\uFFFD", false},           // U+FEFF before U+FFFD
    {false, "", "\uFEFF", true},                    // a leading U+FEFF is not shown
    {false, "\uFEFFy", "z", false},                 //
    {false, "az", "a\uFEFFy", false},               // one further on is
    {false, "\xC0", "\uFFFD", true},                // an invalid byte is U+FFFD
    {false, "\xFE", "\xFF", true},                  //
    {false, "\xED\xA0\x80", "\xED\xA0\x81", true},  // three U+FFFD each
    {true, "\xE6", "\xB8", false},                  // ж before ё, unlike the bytes
    {true, "\xA8", "\xB8", true},                   // Ё, ё
    {true, "z", "\xC0", false},                     // z before А
    {true, "\xFF", "\x98", false},                  // я before U+FFFD
    {true, "\xC0x", "\xE0y", false},                // Аx before аy
};

TEST(PatternOrderTest, HandPickedPairs) {
  for (const Pair& pair : kPairs) {
    const LocaleScope locale(pair.cp1251 ? "ru_RU.CP1251" : "C.UTF-8");
    ASSERT_TRUE(locale.active());
    const Names expected{pair.first, pair.second};
    const Names reversed{pair.second, pair.first};
    const int c =
        QString::compare(toDisplay(pair.first), toDisplay(pair.second), Qt::CaseInsensitive);
    const std::string label = escaped(pair.first) + " " + escaped(pair.second);
    EXPECT_EQ(c == 0, pair.same) << label;
    EXPECT_EQ(qtOrder(reversed), expected) << label;
    EXPECT_EQ(libraryOrder(reversed), expected) << label;
  }
}

}  // namespace
}  // namespace strovel
