// Code pages. The "ANSI code page" of the product is the codeset of the
// process locale (LC_CTYPE after setlocale); a C/POSIX locale counts as
// UTF-8. The OEM (DOS) code page is CP866. All functions work on raw bytes
// and never fail: what a codeset lacks becomes '?'.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace strovel {

// The normalised codeset name of the process locale: "UTF-8" for UTF-8 and
// for the C/POSIX locale, "CP1251" for any spelling of Windows-1251, else
// the name nl_langinfo(CODESET) gives.
std::string ansiCodeset();
bool ansiIsUtf8();

// UTF-8 text (the catalogue, the UI's strings) to the ANSI code page.
std::string utf8ToAnsi(std::string_view utf8);
std::string utf8ToAnsi(std::string_view utf8, const std::string& codeset);
// ANSI bytes to UTF-8 (for showing user bytes in the UI); bytes that are not
// valid in the codeset become U+FFFD.
std::string ansiToUtf8(std::string_view ansi);
std::string ansiToUtf8(std::string_view ansi, const std::string& codeset);

// Converts CP866 text to the ANSI code page, in place, the whole text (zero
// bytes included). CP1251 uses Windows' table with its best-fit substitutes,
// UTF-8 converts every character exactly, any other codeset goes through
// iconv with '?' for what it lacks. Single-byte codesets keep the length.
void oemToAnsi(std::string& text);
void oemToAnsi(std::string& text, const std::string& codeset);

// Byte cuts that never split a UTF-8 character when the ANSI code page is
// UTF-8 (single-byte code pages are cut exactly):
// how many leading bytes of text to keep so that at most `limit` are kept;
std::size_t cutPrefixLength(std::string_view text, std::size_t limit, bool utf8);
// where the kept tail of at most `limit` bytes begins.
std::size_t cutSuffixStart(std::string_view text, std::size_t limit, bool utf8);

}  // namespace strovel
