// Tests of the code-page layer: codeset names, UTF-8 <-> codeset conversion
// with its substitutes, the CP866 (DOS mode) conversion with Windows' best-fit
// bytes, and the byte cuts that must not split a UTF-8 character. Most cases
// name the codeset explicitly so they do not depend on the test's locale.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace strovel {
namespace {

using namespace std::string_literals;

const std::string kReplacement = "\xEF\xBF\xBD";

// Runs a test body under another LC_CTYPE and puts the old one back.
class ScopedCtype {
 public:
  explicit ScopedCtype(const char* name) : saved_(std::setlocale(LC_CTYPE, nullptr)) {
    ok_ = std::setlocale(LC_CTYPE, name) != nullptr;
  }
  ~ScopedCtype() { std::setlocale(LC_CTYPE, saved_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::string saved_;
  bool ok_ = false;
};

TEST(AnsiCodeset, CLocaleCountsAsUtf8) {
  ScopedCtype ctype("C");
  ASSERT_TRUE(ctype.ok());
  EXPECT_EQ(ansiCodeset(), "UTF-8");
  EXPECT_TRUE(ansiIsUtf8());
  // Russian survives in the C locale instead of turning into '?'.
  EXPECT_EQ(utf8ToAnsi("Образец1"), "Образец1");
}

TEST(AnsiCodeset, Utf8LocaleIsUtf8) {
  ScopedCtype ctype("C.UTF-8");
  if (!ctype.ok()) GTEST_SKIP() << "no C.UTF-8 locale";
  EXPECT_EQ(ansiCodeset(), "UTF-8");
}

TEST(Utf8ToAnsi, EverySpellingOfACodesetIsUnderstood) {
  const std::string russian = "при";
  for (const char* name : {"CP1251", "cp1251", "WINDOWS-1251", "windows_1251", "CP-1251"}) {
    EXPECT_EQ(utf8ToAnsi(russian, name), "\xEF\xF0\xE8") << name;
  }
  for (const char* name : {"UTF-8", "utf8", "Utf_8", "ANSI_X3.4-1968", "C", "POSIX"}) {
    EXPECT_EQ(utf8ToAnsi(russian, name), russian) << name;
  }
}

TEST(Utf8ToAnsi, ConvertsRussianToCp1251Bytes) {
  EXPECT_EQ(utf8ToAnsi("Заменить Образец1 на Образец2", "CP1251"),
            "\xC7\xE0\xEC\xE5\xED\xE8\xF2\xFC \xCE\xE1\xF0\xE0\xE7\xE5\xF6\x31 \xED\xE0 "
            "\xCE\xE1\xF0\xE0\xE7\xE5\xF6\x32");
  EXPECT_EQ(utf8ToAnsi("Ёё№€", "CP1251"), "\xA8\xB8\xB9\x88");
}

struct SubstituteCase {
  std::string utf8;
  std::string cp1251;
};

TEST(Utf8ToAnsi, WritesAQuestionMarkForEachCharacterOrBadByteAndGoesOn) {
  const SubstituteCase cases[] = {
      {"a中b", "a?b"},       // 3-byte character CP1251 lacks
      {"ж😀ж", "\xE6?\xE6"},  // 4-byte character
      {"中中", "??"},        // one '?' per character, not per byte
      {"a\xFF"
       "b",
       "a?b"},        // byte that is never UTF-8
      {"\xD0", "?"},  // sequence cut short at the end
      {"\xE2\x82"
       "x",
       "??x"},                  // each byte of a broken sequence
      {"\xC0\xAF", "??"},       // overlong form
      {"\xED\xA0\x80", "???"},  // surrogate
      {"\x80ж", "?\xE6"},       // stray continuation byte
      {"a\0b"s, "a\0b"s},       // zero bytes are ordinary
  };
  for (const SubstituteCase& c : cases) {
    EXPECT_EQ(utf8ToAnsi(c.utf8, "CP1251"), c.cp1251) << c.utf8;
  }
}

TEST(Utf8ToAnsi, OtherCodesetsGoThroughIconv) {
  EXPECT_EQ(utf8ToAnsi("é ж", "ISO-8859-1"), "\xE9 ?");
  EXPECT_EQ(utf8ToAnsi("Аж", "KOI8-R"), "\xE1\xD6");
}

TEST(Utf8ToAnsi, UnknownCodesetKeepsOnlyAscii) {
  EXPECT_EQ(utf8ToAnsi("a-жz", "NO-SUCH-CODESET"), "a-?z");
  EXPECT_EQ(ansiToUtf8("a\xE6z", "NO-SUCH-CODESET"), "a" + kReplacement + "z");
}

TEST(AnsiToUtf8, ConvertsCp1251AndMarksItsUndefinedByte) {
  EXPECT_EQ(ansiToUtf8("\xEF\xF0\xE8 \x88", "CP1251"), "при €");
  EXPECT_EQ(ansiToUtf8("a\x98z", "CP1251"), "a" + kReplacement + "z");
  EXPECT_EQ(ansiToUtf8("a\0b"s, "CP1251"), "a\0b"s);
}

TEST(AnsiToUtf8, EveryCp1251ByteRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    if (b == 0x98) continue;  // the one byte CP1251 leaves undefined
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(byte, "CP1251"), "CP1251"), byte) << b;
  }
}

TEST(AnsiToUtf8, RepairsInvalidUtf8ForAUtf8Codeset) {
  EXPECT_EQ(ansiToUtf8("при😀", "UTF-8"), "при😀");
  EXPECT_EQ(ansiToUtf8("\xC3(", "UTF-8"), kReplacement + "(");
  EXPECT_EQ(ansiToUtf8("\xC0\xAF", "UTF-8"), kReplacement + kReplacement);
  EXPECT_EQ(ansiToUtf8("ж\xD0", "UTF-8"), "ж" + kReplacement);
  EXPECT_EQ(ansiToUtf8("\xF4\x90\x80\x80", "UTF-8"),
            kReplacement + kReplacement + kReplacement + kReplacement);  // beyond U+10FFFF
}

struct OemCase {
  unsigned char oem;
  unsigned char cp1251;
};

TEST(OemToAnsi, Cp1251UsesExactAndBestFitBytes) {
  const OemCase cases[] = {
      {0x00, 0x00}, {0x41, 0x41}, {0x80, 0xC0}, {0x9F, 0xDF}, {0xA0, 0xE0}, {0xAF, 0xEF},
      {0xE0, 0xF0}, {0xEF, 0xFF}, {0xF0, 0xA8}, {0xF1, 0xB8}, {0xFC, 0xB9}, {0xFF, 0xA0},
      {0xB0, 0x2D}, {0xB3, 0xA6}, {0xC0, 0x4C}, {0xC4, 0x2D}, {0xC5, 0x2B}, {0xC9, 0xE3},
      {0xCD, 0x3D}, {0xF9, 0x95}, {0xFB, 0x76}, {0xFE, 0xA6},
  };
  for (const OemCase& c : cases) {
    std::string text(1, static_cast<char>(c.oem));
    oemToAnsi(text, "CP1251");
    EXPECT_EQ(text, std::string(1, static_cast<char>(c.cp1251))) << std::hex << int{c.oem};
  }
}

TEST(OemToAnsi, Cp1251ConvertsWholeTextAndKeepsItsLength) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string text = all + all;
  oemToAnsi(text, "CP1251");
  ASSERT_EQ(text.size(), 512u);
  EXPECT_EQ(text.substr(0, 256), text.substr(256));
  for (int b = 0; b < 128; ++b) EXPECT_EQ(text[b], static_cast<char>(b)) << b;
}

TEST(OemToAnsi, Cp1251TableAgreesWithIconvWhereCp1251HasTheCharacter) {
  for (int b = 0; b < 256; ++b) {
    std::string table(1, static_cast<char>(b));
    oemToAnsi(table, "CP1251");
    const std::string exact =
        utf8ToAnsi(ansiToUtf8(std::string(1, static_cast<char>(b)), "CP866"), "CP1251");
    if (exact != "?") {
      EXPECT_EQ(table, exact) << b;
    }
  }
}

TEST(OemToAnsi, Utf8IsExactForEveryByte) {
  for (int b = 0; b < 256; ++b) {
    std::string text(1, static_cast<char>(b));
    oemToAnsi(text, "UTF-8");
    EXPECT_EQ(text, ansiToUtf8(std::string(1, static_cast<char>(b)), "CP866")) << b;
  }
  std::string text = "\x80\0\xC4\xFF"s;
  oemToAnsi(text, "UTF-8");
  EXPECT_EQ(text, "А\0─\u00A0"s);
}

TEST(OemToAnsi, OtherCodesetsTakeTheCharacterOrAQuestionMark) {
  std::string koi = "\x80\xC4\xF8";
  oemToAnsi(koi, "KOI8-R");
  EXPECT_EQ(koi, "\xE1\x80\x9C");  // А, ─, °
  std::string latin = "\x80\0\xF8\xFF"s;
  oemToAnsi(latin, "ISO-8859-1");
  EXPECT_EQ(latin, "?\0\xB0\xA0"s);
}

struct CutCase {
  std::string text;
  std::size_t limit;
  bool utf8;
  std::size_t expected;
};

const std::string k59 = std::string(59, 'a');

TEST(CutPrefixLength, KeepsWholeCharactersInUtf8AndCutsExactlyOtherwise) {
  const CutCase cases[] = {
      {"abc", 5, true, 3},
      {"abc", 3, true, 3},
      {"abc", 0, true, 0},
      {k59 + "жb", 60, true, 59},   // limit falls inside a 2-byte character
      {k59 + "жb", 60, false, 60},  // single-byte code page: exact
      {k59 + "жb", 61, true, 61},   // limit right behind it
      {"a€b", 2, true, 1},
      {"a€b", 3, true, 1},
      {"a€b", 4, true, 4},
      {"😀x", 1, true, 0},
      {"😀x", 3, true, 0},
      {"😀x", 4, true, 4},
      {"жж", 3, true, 2},
      {"a\xD0"
       "bc",
       2, true, 2},  // lead byte without its continuation
      {"\xB6\xB6\xB6\xB6", 2, true, 2},
      {"\xE2\x82xy", 2, true, 2},  // broken 3-byte sequence: single bytes
      {"\xC0\x80xy", 1, true, 1},  // overlong form: single bytes
      {"a\x80\x80\x80"
       "b",
       4, true, 4},
      {"ж\xB6\xB6", 1, true, 0},
      {"ж\xB6\xB6", 2, true, 2},
  };
  for (const CutCase& c : cases) {
    EXPECT_EQ(cutPrefixLength(c.text, c.limit, c.utf8), c.expected)
        << c.text << " limit " << c.limit;
  }
}

TEST(CutSuffixStart, KeepsWholeCharactersInUtf8AndCutsExactlyOtherwise) {
  const CutCase cases[] = {
      {"abc", 3, true, 0},
      {"abc", 5, true, 0},
      {"abc", 0, true, 3},
      {"ж" + std::string(17, 'a'), 18, true, 2},   // 18 bytes would start inside ж
      {"ж" + std::string(17, 'a'), 18, false, 1},  // single-byte code page: exact
      {"жab", 2, true, 2},
      {"жab", 3, true, 2},
      {"жab", 4, true, 0},
      {"€abc", 4, true, 3},
      {"€abc", 5, true, 3},
      {"😀x", 2, true, 4},
      {"😀x", 4, true, 4},
      {"😀x", 5, true, 0},
      {"\xB6\xB6x", 2, true, 1},   // stray continuation bytes: single bytes
      {"\xE2\x82xy", 3, true, 1},  // broken sequence: single bytes
  };
  for (const CutCase& c : cases) {
    EXPECT_EQ(cutSuffixStart(c.text, c.limit, c.utf8), c.expected)
        << c.text << " limit " << c.limit;
  }
}

}  // namespace
}  // namespace strovel
