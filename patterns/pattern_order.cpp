// Sorting pattern names: a folded key per name, built by walking the name's
// UTF-16 form the way Qt's case-insensitive comparison walks a QString, then
// one sort of (key, bytes) pairs. ICU supplies the UTF-16 conversion and the
// simple case folding. ICU 72 (Unicode 15.0) and Qt 6.4 (Unicode 14.0) fold
// every code point alike; the desktop tests compare the two on all of them.
#include "patterns/pattern_order.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/codepage.h"

namespace strovel {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// One value per UTF-16 code unit of the shown name: the unit folded, except
// that a trail unit after a lead unit stands for the whole code point,
// folded. Keys compare as Qt compares the names ignoring case.
std::u32string foldedKey(std::string_view name, const std::string& codeset) {
  const std::string shown = ansiToUtf8(name, codeset);
  std::string_view text = shown;
  if (text.starts_with(kUtf8ByteOrderMark)) text.remove_prefix(kUtf8ByteOrderMark.size());
  const icu::UnicodeString units = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  std::u32string key;
  key.reserve(static_cast<std::size_t>(units.length()));
  char16_t previous = 0;
  for (int32_t i = 0; i < units.length(); ++i) {
    const char16_t unit = units.charAt(i);
    UChar32 c = unit;
    if (U16_IS_TRAIL(unit) && U16_IS_LEAD(previous)) c = U16_GET_SUPPLEMENTARY(previous, unit);
    previous = unit;
    key.push_back(static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT)));
  }
  return key;
}

}  // namespace

void sortPatternNames(std::vector<std::string>& names) { sortPatternNames(names, ansiCodeset()); }

void sortPatternNames(std::vector<std::string>& names, const std::string& codeset) {
  std::vector<std::pair<std::u32string, std::string>> entries;
  entries.reserve(names.size());
  for (std::string& name : names) entries.emplace_back(foldedKey(name, codeset), std::move(name));
  // Keys first; names equal but for case by their bytes (as unsigned chars).
  std::sort(entries.begin(), entries.end());
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = std::move(entries[i].second);
}

}  // namespace strovel
