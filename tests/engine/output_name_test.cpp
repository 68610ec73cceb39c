// Tests for the result-name formatter: a table of templates with their
// names, the width cap, and a sweep that checks every accepted flag and
// width combination against the C library's own layout of the same integer
// conversion.
#include "engine/output_name.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace strovel {
namespace {

using namespace std::string_literals;

// The run number goes into the first integer conversion only; "%%" is one
// percent sign; anything but a plain integer conversion is copied, and
// scanning goes on right after its '%'.
TEST(OutputNameTest, FormatsTemplates) {
  const std::pair<std::string, std::string> cases[] = {
      {"res_%d.txt", "res_7.txt"},
      {"out.txt", "out.txt"},
      {"", ""},
      {"%--++  00##4d", "+7  "},
      {"a\0\xff\n%d\t\xc3\x28"s, "a\0\xff\n7\t\xc3\x28"s},
      {"%d_%d", "7_%d"},
      {"%i_%u_%d", "7_%u_%d"},
      {"100%%_%d", "100%_7"},
      {"%d%%", "7%"},
      {"%%d", "%d"},
      {"%%%d", "%7"},
      {"%.2d_%d", "%.2d_7"},
      {"%hd_%d", "%hd_7"},
      {"%s%d", "%s7"},
      {"%x_%d", "%x_7"},
      {"%D", "%D"},
      {"%n", "%n"},
      {"%*d", "%*d"},
      {"%1$d", "%1$d"},
      {"end%", "end%"},
      {"%05", "%05"}};
  for (const auto& [nameTemplate, name] : cases) {
    EXPECT_EQ(formatOutputName(nameTemplate, 7), name) << nameTemplate;
  }
}

TEST(OutputNameTest, CapsTheWidth) {
  EXPECT_EQ(formatOutputName("%99999999999999999999999999d", 1), std::string(4095, ' ') + "1");
  EXPECT_EQ(formatOutputName("x%04096dy", 1).size(), 4098u);
  EXPECT_EQ(formatOutputName("x%4097dy", 1).size(), 4098u);
}

// Compares with snprintf on a format built here from known-good pieces only.
TEST(OutputNameTest, MatchesTheCLibraryForEveryFlagAndWidth) {
  const std::vector<std::string> flagSets = {"",    "-",   "+",  " ",  "0",   "#",
                                             "-+",  "- ",  "-0", "+ ", "+0",  " 0",
                                             "0-+", "#0 ", "+-", "00", "- 0", "+ -0#"};
  const std::vector<std::string> widths = {"", "1", "2", "5", "12"};
  const std::vector<int> numbers = {0, 1, 7, 42, 1000, -1, -42, INT_MAX, INT_MIN};
  for (const char letter : {'d', 'i', 'u'}) {
    for (const std::string& flags : flagSets) {
      for (const std::string& width : widths) {
        const std::string conversion = "%" + flags + width + letter;
        for (const int number : numbers) {
          char expected[64];
          if (letter == 'u') {
            std::snprintf(expected, sizeof expected, conversion.c_str(), unsigned(number));
          } else {
            std::snprintf(expected, sizeof expected, conversion.c_str(), number);
          }
          EXPECT_EQ(formatOutputName("r" + conversion + ".txt", number),
                    "r" + std::string(expected) + ".txt")
              << conversion << " with " << number;
        }
      }
    }
  }
}

}  // namespace
}  // namespace strovel
