// Fuzz target for the code-page conversions. The first byte picks a codeset
// (UTF-8, CP1251, KOI8-R, ISO-8859-5, the C locale's ASCII, which counts as
// UTF-8, plain US-ASCII, or a name iconv does not know),
// the rest is the text. CP866 input converted to UTF-8 must be well-formed
// and read back unchanged; single-byte codesets keep the length; the UTF-8
// cuts never split a character and stay within their limit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"

namespace {

constexpr const char* kCodesets[] = {"UTF-8",          "CP1251",   "KOI8-R",         "ISO-8859-5",
                                     "ANSI_X3.4-1968", "US-ASCII", "no-such-codeset"};

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

FUZZ_TARGET(codepage) {
  using namespace strovel;
  fuzz::ByteReader in(data, size);
  const std::string codeset = kCodesets[in.byte() % std::size(kCodesets)];
  const bool isUtf8 = codeset == "UTF-8" || codeset == "ANSI_X3.4-1968";
  const std::size_t limit = in.byte() % 32;
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

  const std::size_t keep = cutPrefixLength(text, limit, isUtf8);
  const std::size_t start = cutSuffixStart(text, limit, isUtf8);
  FUZZ_CHECK(keep <= limit && keep <= text.size());
  FUZZ_CHECK(start <= text.size() && text.size() - start <= limit);
  // A cut may drop at most the three bytes of a character it would split.
  if (text.size() > limit) FUZZ_CHECK(limit - keep <= 3 && start - (text.size() - limit) <= 3);
  if (isUtf8 && ansiToUtf8(text, "UTF-8") == text) {
    // On well-formed text the cuts land on character boundaries.
    FUZZ_CHECK(keep == text.size() || !isContinuation(text[keep]));
    FUZZ_CHECK(start == text.size() || !isContinuation(text[start]));
  }
}
