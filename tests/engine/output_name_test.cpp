// Tests for the result-name formatter: a table of templates with their
// names, and a sweep that checks every accepted flag and width combination
// against the C library's own layout of the same integer conversion.
#include "engine/output_name.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace strovel {
namespace {

struct NameCase {
  const char* nameTemplate;
  int runNumber;
  const char* expected;
};

TEST(OutputNameTest, FormatsTemplates) {
  const std::vector<NameCase> cases = {
      {"res_%d.txt", 1, "res_1.txt"},
      {"res_%d.txt", 2, "res_2.txt"},
      {"res_%d.txt", 12345, "res_12345.txt"},
      {"out.txt", 3, "out.txt"},
      {"", 1, ""},
      {"%d", 1, "1"},
      {"%i.txt", 4, "4.txt"},
      {"%u.txt", 4, "4.txt"},
      {"%03d", 7, "007"},
      {"%-3d|", 7, "7  |"},
      {"%+d", 7, "+7"},
      {"% d", 7, " 7"},
      {"%+ d", 7, "+7"},
      {"% +d", 7, "+7"},
      {"%-05d|", 7, "7    |"},
      {"%0-5d|", 7, "7    |"},
      {"%#d", 7, "7"},
      {"%--++  00##4d", 7, "+7  "},
      {"%5d", 7, "    7"},
      {"%05d", -7, "-0007"},
      {"%5d", -7, "   -7"},
      {"%d", INT_MIN, "-2147483648"},
      {"%+u", 7, "7"},
      {"% u", 7, "7"},
      {"%u", -1, "4294967295"},
      {"%1d", 123, "123"},
      // Only the first integer conversion takes the number.
      {"%d_%d", 1, "1_%d"},
      {"%i_%u_%d", 5, "5_%u_%d"},
      // "%%" is one percent sign, before and after the conversion.
      {"100%%_%d", 2, "100%_2"},
      {"%d%%", 2, "2%"},
      {"%%d", 2, "%d"},
      {"%%%d", 2, "%2"},
      // Anything but a plain integer conversion is copied, and scanning
      // goes on right after the '%'.
      {"%5.2d", 3, "%5.2d"},
      {"%.2d_%d", 3, "%.2d_3"},
      {"%ld", 3, "%ld"},
      {"%hd_%d", 3, "%hd_3"},
      {"a%sb", 3, "a%sb"},
      {"%n", 3, "%n"},
      {"%x_%d", 255, "%x_255"},
      {"%s%d", 3, "%s3"},
      {"%%%", 3, "%%"},
      {"end%", 3, "end%"},
      {"%", 3, "%"},
      {"%-", 3, "%-"},
      {"%05", 3, "%05"},
      {"%*d", 3, "%*d"},
      {"%1$d", 3, "%1$d"},
      {"%D", 3, "%D"},
      {"%%%%", 3, "%%"},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(formatOutputName(c.nameTemplate, c.runNumber), c.expected)
        << "template \"" << c.nameTemplate << "\", run " << c.runNumber;
  }
}

TEST(OutputNameTest, KeepsEveryByteOutsideTheConversion) {
  const std::string nameTemplate("a\0\xff\n%d\t\xc3\x28", 9);
  EXPECT_EQ(formatOutputName(nameTemplate, 5), std::string("a\0\xff\n5\t\xc3\x28", 8));
}

TEST(OutputNameTest, CapsTheWidth) {
  const std::string name = formatOutputName("%99999999999999999999999999d", 1);
  ASSERT_EQ(name.size(), 4096u);
  EXPECT_EQ(name.back(), '1');
  EXPECT_EQ(name.find_first_not_of(' '), 4095u);
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
            std::snprintf(expected, sizeof expected, conversion.c_str(),
                          static_cast<unsigned int>(number));
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
