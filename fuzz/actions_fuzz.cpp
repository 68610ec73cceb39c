// Fuzz target for the seven actions and for chains of them. The first byte
// picks the first rule's action (and, from 0xE0 on, one to four more rules
// that follow it, action 0 standing for an unknown one), the next bytes the
// occurrence numbers and marker texts of each rule and the run's options,
// the rest is the raw file. A whole run over it, read in random pieces with
// a small window, must give exactly the result file, the summary lines and
// the notices of the literal actions applied one after the other. Inputs
// stay small (-max_len) because the literal versions are quadratic.
#include <limits>

#include "fuzz/fuzz_support.h"
#include "tests/engine/literal_run.h"

namespace {

using namespace strovel;

// Mostly small occurrence numbers (-2 to 5), now and then an extreme one.
std::int32_t occurrence(fuzz::ByteReader& in) {
  const std::uint8_t b = in.byte();
  if (b == 0xFF) return std::numeric_limits<std::int32_t>::max();
  if (b == 0xFE) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(b % 8) - 2;
}

Rule readRule(fuzz::ByteReader& in, std::int32_t action) {
  const std::int32_t fromStart = occurrence(in), afterPattern1 = occurrence(in);
  std::string pattern1 = in.text(8), pattern2 = in.text(8);
  return {pattern1, in.text(8), pattern2, action, fromStart, afterPattern1};
}

}  // namespace

FUZZ_TARGET(actions) {
  fuzz::ByteReader in(data, size);
  const std::uint8_t first = in.byte();
  std::vector<Rule> rules{readRule(in, first % 7 + 1)};
  for (int extra = first >= 0xE0 ? 1 + (first & 3) : 0; extra > 0; --extra)
    rules.push_back(readRule(in, in.byte() % 8));
  const std::uint8_t flags = in.byte();
  LiteralRuns runs;
  runs.options = {.dosMode = (flags & 1) != 0,
                  .statistics = (flags & 2) != 0,
                  .ruleWindow = std::size_t{1} + first / 7 % 32};
  if (flags & 4) runs.options.flow = {0, std::size_t{1} + flags / 8 % 16, 1};
  const std::string raw = in.remaining();
  runs.disk.rng.seed(flags);
  runs.disk.files = {{"in.txt", raw}, {"res_1.txt", "old"}};
  FUZZ_CHECK(runs.ran(rules) == runs.literalRun(raw, rules));
}
