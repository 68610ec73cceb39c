// Tests of the code-page layer: codeset names, UTF-8 <-> codeset conversion
// with its substitutes, the CP866 (DOS mode) conversion with Windows' best-fit
// bytes, and the byte cuts that must not split a UTF-8 character. Most cases
// name the codeset explicitly so they do not depend on the test's locale.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <tuple>

namespace strovel {
namespace {

using namespace std::string_literals;

const std::string kReplacement = "\xEF\xBF\xBD";

std::string byteString(int b) { return std::string(1, static_cast<char>(b)); }

TEST(Codeset, SpellingsAreNormalisedAndTheCLocaleIsUtf8) {
  const std::string saved = std::setlocale(LC_CTYPE, nullptr);
  ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
  const std::string inC = ansiCodeset() + " " + utf8ToAnsi("Образец1");
  std::setlocale(LC_CTYPE, saved.c_str());
  EXPECT_EQ(inC, "UTF-8 Образец1");  // Russian is not turned into '?'
  for (const char* name : {"CP1251", "cp1251", "WINDOWS-1251", "windows_1251", "CP-1251"}) {
    EXPECT_EQ(utf8ToAnsi("при", name), "\xEF\xF0\xE8") << name;
  }
  for (const char* name : {"UTF-8", "utf8", "Utf_8", "ANSI_X3.4-1968", "C", "POSIX"}) {
    EXPECT_EQ(utf8ToAnsi("при", name), "при") << name;
  }
}

TEST(Utf8ToAnsi, ConvertsOrWritesAQuestionMarkPerCharacterOrBadByte) {
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"CP1251", "Заменить Ёё\0№€"s, "\xC7\xE0\xEC\xE5\xED\xE8\xF2\xFC \xA8\xB8\0\xB9\x88"s},
      {"CP1251", "a中b😀", "a?b?"},             // one '?' per character, not per byte
      {"CP1251", "\xFF\x80ж\xD0", "??\xE6?"},  // never UTF-8, stray, cut short
      // Each byte of a broken sequence, an overlong form, a surrogate.
      {"CP1251", "\xE2\x82x\xC0\xAF\xED\xA0\x80", "??x?????"},
      {"ISO-8859-1", "é ж", "\xE9 ?"},
      {"KOI8-R", "Аж", "\xE1\xD6"},
      {"NO-SUCH-CODESET", "a-жz", "a-?z"},
  };
  for (const auto& [codeset, utf8, ansi] : cases) {
    EXPECT_EQ(utf8ToAnsi(utf8, codeset), ansi) << codeset << ' ' << utf8;
  }
}

TEST(AnsiToUtf8, ConvertsAndMarksWhatIsNotValid) {
  EXPECT_EQ(ansiToUtf8("\xEF\xF0\xE8 \x88\0\x98"s, "CP1251"), "при €\0"s + kReplacement);
  EXPECT_EQ(ansiToUtf8("a\xE6z", "NO-SUCH-CODESET"), "a" + kReplacement + "z");
  EXPECT_EQ(ansiToUtf8("при😀\xC3(\xC0\xAF", "UTF-8"),  // cut short, overlong
            "при😀" + kReplacement + "(" + kReplacement + kReplacement);
  EXPECT_EQ(ansiToUtf8("\xF4\x90\x80\x80", "UTF-8"),  // beyond U+10FFFF
            kReplacement + kReplacement + kReplacement + kReplacement);
  for (int b = 0; b < 256; ++b) {  // 0x98 is the one byte CP1251 leaves undefined
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(byteString(b), "CP1251"), "CP1251"),
              b == 0x98 ? "?" : byteString(b))
        << b;
  }
}

TEST(OemToAnsi, ConvertsToCp1251WithBestFitBytesAndToUtf8Exactly) {
  std::string text = "\x00\x41\x80\x9F\xA0\xEF\xF0\xF1\xFC\xFF\xB3\xC0\xC5\xC9\xF9\xFB"s;
  oemToAnsi(text, "CP1251");
  EXPECT_EQ(text, "\x00\x41\xC0\xDF\xE0\xFF\xA8\xB8\xB9\xA0\xA6\x4C\x2B\xE3\x95\x76"s);
  text = "\x80\0\xC4\xFF"s;
  oemToAnsi(text, "UTF-8");
  EXPECT_EQ(text, "А\0─\u00A0"s);
  for (int b = 0; b < 256; ++b) {
    std::string table = byteString(b);
    oemToAnsi(table, "CP1251");
    ASSERT_EQ(table.size(), 1u) << b;
    // Where CP1251 has the character, the table agrees with iconv.
    const std::string exact = utf8ToAnsi(ansiToUtf8(byteString(b), "CP866"), "CP1251");
    EXPECT_TRUE(exact == "?" || table == exact) << b;
    std::string utf8 = byteString(b);
    oemToAnsi(utf8, "UTF-8");
    EXPECT_EQ(utf8, ansiToUtf8(byteString(b), "CP866")) << b;
  }
}

using CutCase = std::tuple<std::string, std::size_t, bool, std::size_t>;

TEST(ByteCuts, KeepWholeCharactersInUtf8AndCutExactlyOtherwise) {
  const std::string k59(59, 'a');
  const CutCase prefixes[] = {
      {"abc", 5, true, 3},        {k59 + "жb", 60, true, 59}, {k59 + "жb", 60, false, 60},
      {k59 + "жb", 61, true, 61}, {"a€b", 3, true, 1},        {"😀x", 3, true, 0},
      {"😀x", 4, true, 4},         {"a\xD0xy", 2, true, 2},    {"\xE2\x82xy", 2, true, 2},
      {"\xC0\x80xy", 1, true, 1}, {"ж\xB6\xB6", 1, true, 0},
  };
  for (const auto& [text, limit, utf8, expected] : prefixes) {
    EXPECT_EQ(cutPrefixLength(text, limit, utf8), expected) << text << " limit " << limit;
  }
  const CutCase suffixes[] = {
      {"abc", 5, true, 0},       {"abc", 0, true, 3},       {"ж" + k59, 60, true, 2},
      {"ж" + k59, 60, false, 1}, {"€abc", 5, true, 3},      {"😀x", 4, true, 4},
      {"😀x", 5, true, 0},        {"\xB6\xB6x", 2, true, 1}, {"\xE2\x82xy", 3, true, 1},
  };
  for (const auto& [text, limit, utf8, expected] : suffixes) {
    EXPECT_EQ(cutSuffixStart(text, limit, utf8), expected) << text << " limit " << limit;
  }
}

}  // namespace
}  // namespace strovel
