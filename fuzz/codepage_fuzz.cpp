// Fuzz target for the code-page conversions. The first byte picks a codeset
// (UTF-8, CP1251, KOI8-R, ISO-8859-5, the C locale's ASCII, which counts as
// UTF-8, plain US-ASCII, or a name iconv does not know), the rest is the
// text. CP866 input converted to UTF-8 must be well-formed; single-byte
// codesets keep the length; conversions to UTF-8 are well-formed, and back
// from it give the text again where the codeset has every byte. (The byte
// cuts are checked case by case in the platform tests and in the runs'
// summary lines.)
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"

namespace {

constexpr const char* kCodesets[] = {"UTF-8",          "CP1251",   "KOI8-R",         "ISO-8859-5",
                                     "ANSI_X3.4-1968", "US-ASCII", "no-such-codeset"};

}  // namespace

FUZZ_TARGET(codepage) {
  using namespace strovel;
  fuzz::ByteReader in(data, size);
  const std::string codeset = kCodesets[in.byte() % std::size(kCodesets)];
  const bool isUtf8 = codeset == "UTF-8" || codeset == "ANSI_X3.4-1968";
  const std::string text = in.remaining();

  // Every CP866 byte is one character: one byte in a single-byte codeset,
  // well-formed UTF-8 otherwise.
  std::string oem = text;
  oemToAnsi(oem, codeset);
  FUZZ_CHECK(isUtf8 ? ansiToUtf8(oem, "UTF-8") == oem && oem.size() >= text.size()
                    : oem.size() == text.size());

  const std::string utf8 = ansiToUtf8(text, codeset);
  FUZZ_CHECK(ansiToUtf8(utf8, "UTF-8") == utf8);
  const std::string ansi = utf8ToAnsi(utf8, codeset);
  if (isUtf8) FUZZ_CHECK(ansi == utf8);
  // These two give every byte a character, so their text survives the trip.
  if (codeset == "KOI8-R" || codeset == "ISO-8859-5") FUZZ_CHECK(ansi == text);
}
