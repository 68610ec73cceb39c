// The searches against std::string_view::find on random texts over small
// alphabets, where candidates that fail late are common, and on a text made
// of the pattern's own bytes, where the pair search gives up and hands over.
#include "engine/text_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace strovel {
namespace {

std::string randomText(std::mt19937& random, std::size_t length, const char* alphabet,
                       std::size_t letters) {
  std::string text(length, ' ');
  for (char& c : text) c = alphabet[random() % letters];
  return text;
}

TEST(TextSearch, AgreesWithTheLiteralSearch) {
  std::mt19937 random(3);
  for (int round = 0; round < 3000; ++round) {
    const std::string text =
        randomText(random, random() % (round < 2000 ? 70 : 3000), "ab\nc\0", 3 + round % 3);
    const std::string pattern = randomText(random, random() % 6, "ab\nc\0", 3 + round % 3);
    Finder finder(text, pattern);
    for (std::size_t from = 0; from <= text.size() + 1; from += 1 + random() % 3) {
      const std::size_t expected =
          from > text.size() ? npos : std::string_view(text).find(pattern, from);
      ASSERT_EQ(findIn(text, pattern, from), expected) << round << " " << from;
      ASSERT_EQ(finder.find(from), expected) << round << " " << from;
    }
  }
  // A degenerate text: every position is a candidate that fails at its end.
  const std::string text = std::string(200000, 'a') + "ab";
  const std::string pattern = std::string(100, 'a') + "b";
  EXPECT_EQ(findIn(text, pattern, 5), text.size() - pattern.size());
}

}  // namespace
}  // namespace strovel
