// Fuzz target for the pattern file reader and writer: any bytes are read as
// a pattern file; writing the rules and reading them back must give the same
// rules, and writing those again the same bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "patterns/pattern_file.h"

FUZZ_TARGET(pattern_file) {
  using namespace strovel;
  const RuleList rules =
      decodePatternFile(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string written = encodePatternFile(rules);
  const RuleList reread = decodePatternFile(written);
  FUZZ_CHECK(reread == rules);
  FUZZ_CHECK(encodePatternFile(reread) == written);
  for (const Rule& rule : rules) {
    // Texts lose every CR; line breaks come back as LFs.
    FUZZ_CHECK(rule.Pattern1.find('\r') == std::string::npos);
    FUZZ_CHECK(rule.Pattern2.find('\r') == std::string::npos);
    FUZZ_CHECK(rule.Pattern3.find('\r') == std::string::npos);
  }
}
