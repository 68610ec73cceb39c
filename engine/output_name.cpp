// Result-name formatting. The template is scanned once; at each "%" either
// "%%", the first integer conversion, or a literal "%" is recognised. The
// integer is laid out here (sign, padding, digits) rather than by printf,
// so no part of the template ever becomes a format string, and the width is
// capped so a template cannot ask for a gigabyte of padding.
#include "engine/output_name.h"

#include <algorithm>
#include <optional>

namespace strovel {
namespace {

constexpr size_t kMaxWidth = 4096;

struct IntegerConversion {
  bool leftAlign = false;  // '-'
  bool plusSign = false;   // '+'
  bool blankSign = false;  // ' '
  bool zeroPad = false;    // '0'
  size_t width = 0;
  bool isUnsigned = false;  // %u
  size_t length = 0;        // bytes after the '%', conversion letter included
};

// Reads flags, width and the conversion letter that follow a '%' at
// text[0]; nothing when they do not form %d, %i or %u.
std::optional<IntegerConversion> readIntegerConversion(std::string_view text) {
  IntegerConversion conversion;
  size_t at = 1;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '-')
      conversion.leftAlign = true;
    else if (c == '+')
      conversion.plusSign = true;
    else if (c == ' ')
      conversion.blankSign = true;
    else if (c == '0')
      conversion.zeroPad = true;
    else if (c != '#')
      break;  // '#' is allowed and changes nothing for integers
  }
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    conversion.width =
        std::min(conversion.width * 10 + static_cast<size_t>(text[at] - '0'), kMaxWidth);
  }
  if (at >= text.size()) return std::nullopt;
  const char letter = text[at];
  if (letter != 'd' && letter != 'i' && letter != 'u') return std::nullopt;
  conversion.isUnsigned = letter == 'u';
  conversion.length = at + 1;
  return conversion;
}

// The number as printf lays it out for this conversion.
std::string formatInteger(const IntegerConversion& conversion, int number) {
  std::string sign;
  unsigned long long magnitude = 0;
  if (conversion.isUnsigned) {
    magnitude = static_cast<unsigned int>(number);
  } else {
    const long long value = number;
    magnitude = static_cast<unsigned long long>(value < 0 ? -value : value);
    if (value < 0)
      sign = "-";
    else if (conversion.plusSign)
      sign = "+";
    else if (conversion.blankSign)
      sign = " ";
  }
  const std::string digits = std::to_string(magnitude);
  const size_t used = sign.size() + digits.size();
  const size_t padding = conversion.width > used ? conversion.width - used : 0;
  if (conversion.leftAlign) return sign + digits + std::string(padding, ' ');
  if (conversion.zeroPad) return sign + std::string(padding, '0') + digits;
  return std::string(padding, ' ') + sign + digits;
}

}  // namespace

std::string formatOutputName(std::string_view nameTemplate, int runNumber) {
  std::string name;
  bool numberPlaced = false;
  size_t at = 0;
  while (at < nameTemplate.size()) {
    const size_t percent = nameTemplate.find('%', at);
    if (percent == std::string_view::npos) break;
    name.append(nameTemplate, at, percent - at);
    const std::string_view tail = nameTemplate.substr(percent);
    if (tail.starts_with("%%")) {
      name += '%';
      at = percent + 2;
      continue;
    }
    const auto conversion = numberPlaced ? std::nullopt : readIntegerConversion(tail);
    if (conversion) {
      name += formatInteger(*conversion, runNumber);
      numberPlaced = true;
      at = percent + conversion->length;
    } else {
      name += '%';
      at = percent + 1;
    }
  }
  if (at < nameTemplate.size()) name.append(nameTemplate, at);
  return name;
}

}  // namespace strovel
