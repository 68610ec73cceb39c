// Fuzz target for the output-name template: four bytes give the run number,
// the rest is the template. The name is checked against an independent
// reading of the template: the text outside the first integer conversion is
// copied ("%%" halved), and the conversion itself is compared with what the
// C library's snprintf makes of the same flags and width. The format handed
// to snprintf is assembled here from a fixed set of characters, never taken
// from the template, and always asks for exactly the one int it is given.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/output_name.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::size_t kWidthCap = 4096;

// The number laid out by snprintf for the conversion spelled at text[0]
// ('%') through text[length - 1], or nothing when it is not %d, %i or %u
// with flags and a width only.
bool expectedConversion(std::string_view text, int number, std::string& out, std::size_t& length) {
  std::string format = "%";
  std::size_t at = 1;
  for (; at < text.size() && std::string_view("-+ 0#").find(text[at]) != std::string_view::npos;
       ++at)
    if (text[at] != '#') format += text[at];
  std::size_t width = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
    width = std::min(width * 10 + static_cast<std::size_t>(text[at] - '0'), kWidthCap);
  if (at >= text.size() || std::string_view("diu").find(text[at]) == std::string_view::npos)
    return false;
  format += std::to_string(width);
  format += text[at];
  length = at + 1;
  char buffer[kWidthCap + 32];
  const int written = std::snprintf(buffer, sizeof buffer, format.c_str(), number);
  FUZZ_CHECK(written >= 0 && static_cast<std::size_t>(written) < sizeof buffer);
  out.append(buffer, static_cast<std::size_t>(written));
  return true;
}

}  // namespace

FUZZ_TARGET(output_name) {
  strovel::fuzz::ByteReader in(data, size);
  const int number = in.int32();
  const std::string nameTemplate = in.rest();
  const std::string name = strovel::formatOutputName(nameTemplate, number);

  std::string expected;
  bool placed = false;
  for (std::size_t at = 0; at < nameTemplate.size();) {
    const std::string_view tail = std::string_view(nameTemplate).substr(at);
    std::size_t length = 0;
    if (tail.starts_with("%%")) {
      expected += '%';
      at += 2;
    } else if (tail[0] == '%' && !placed && expectedConversion(tail, number, expected, length)) {
      placed = true;
      at += length;
    } else {
      expected += tail[0];
      ++at;
    }
  }
  FUZZ_CHECK(name == expected);
}
