// Fuzz target for the output-name template: four bytes give the run number,
// the rest is the template. The name is checked against an independent
// reading of the template: the text outside the first integer conversion is
// copied ("%%" halved), and the conversion itself (%d, %i or %u with flags
// and a width only) is compared with what the C library's snprintf makes of
// the same flags and width. The format handed to snprintf is assembled here
// from a fixed set of characters, never taken from the template, and always
// asks for exactly the one int it is given.
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/output_name.h"
#include "fuzz/fuzz_support.h"

FUZZ_TARGET(output_name) {
  constexpr std::size_t kWidthCap = 4096;
  strovel::fuzz::ByteReader in(data, size);
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits = bits << 8 | in.byte();
  const int number = static_cast<int>(bits);
  const std::string nameTemplate = in.remaining();
  std::string expected;
  bool placed = false;
  for (std::size_t at = 0; at < nameTemplate.size(); ++at) {
    const std::string_view tail = std::string_view(nameTemplate).substr(at);
    std::string format = "%";
    std::size_t end = 1, width = 0;
    for (; end < tail.size() && std::string_view("-+ 0#").find(tail[end]) != tail.npos; ++end)
      if (tail[end] != '#') format += tail[end];
    for (; end < tail.size() && tail[end] >= '0' && tail[end] <= '9'; ++end)
      width = std::min(width * 10 + static_cast<std::size_t>(tail[end] - '0'), kWidthCap);
    if (tail.starts_with("%%")) {
      expected += '%', ++at;
    } else if (tail[0] == '%' && !placed && end < tail.size() &&
               std::string_view("diu").find(tail[end]) != tail.npos) {
      format += std::to_string(width) + tail[end];
      char buffer[kWidthCap + 32];
      const int written = std::snprintf(buffer, sizeof buffer, format.c_str(), number);
      FUZZ_CHECK(written >= 0 && static_cast<std::size_t>(written) < sizeof buffer);
      expected.append(buffer, static_cast<std::size_t>(written));
      placed = true, at += end;
    } else {
      expected += tail[0];
    }
  }
  FUZZ_CHECK(strovel::formatOutputName(nameTemplate, number) == expected);
}
