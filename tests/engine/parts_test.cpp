// The engine's small parts. The searches against std::string_view::find on
// random texts over small alphabets, where candidates that fail late are
// common, and on a text made of the pattern's own bytes, where the pair
// search gives up and hands over. The result-name formatter.
#include <gtest/gtest.h>

#include <random>

#include "engine/output_name.h"
#include "engine/text_search.h"

namespace strovel {
namespace {

TEST(TextSearch, AgreesWithTheLiteralSearch) {
  std::mt19937 random(3);
  const auto text = [&](std::size_t length, std::size_t letters) {
    std::string t(length, ' ');
    for (char& c : t) c = "ab\nc\0"[random() % letters];
    return t;
  };
  for (int round = 0; round < 3000; ++round) {
    const std::string haystack = text(random() % (round < 2000 ? 70 : 3000), 3 + round % 3);
    const std::string pattern = text(random() % 6, 3 + round % 3);
    Finder finder(haystack, pattern);
    for (std::size_t from = 0; from <= haystack.size() + 1; from += 1 + random() % 3) {
      const std::size_t expected =
          from > haystack.size() ? npos : std::string_view(haystack).find(pattern, from);
      ASSERT_EQ(std::pair(findIn(haystack, pattern, from), finder.find(from)),
                std::pair(expected, expected))
          << round << " " << from;
    }
  }
  // Every position is a candidate that fails at its end.
  const std::string degenerate = std::string(200000, 'a') + "ab";
  EXPECT_EQ(findIn(degenerate, std::string(100, 'a') + "b", 5), degenerate.size() - 101);
}

// The run number goes into the first integer conversion only, "%%" is one
// percent sign, anything else is copied; the width is capped at 4096. (The
// fuzz target checks any template against an independent reading of it and
// the C library's own layout of the number.)
TEST(OutputName, FormatsTemplates) {
  EXPECT_EQ(formatOutputName("r%%_%-#-+ 05d_%d%s%", 7), "r%_+7   _%d%s%");
  EXPECT_EQ(formatOutputName("x%.2d%4097dy", 7), "x%.2d" + std::string(4095, ' ') + "7y");
}

}  // namespace
}  // namespace strovel
