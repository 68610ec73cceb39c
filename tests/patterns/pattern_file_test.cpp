// Tests of the pattern file format and of loading and saving a window's
// pattern state: the exact bytes the writer produces, a table of malformed
// files and what the lenient reader makes of them (fuzz/pattern_file_fuzz.cpp
// tries round trips of any bytes), the caption cut, and the pattern library's listing of a folder
// and the name "Save pattern as" writes to. (Loading and saving a window's pattern, failures
// included, are tried through the window, in tests/desktop, and killed saves in the fault table.)
#include "patterns/pattern_file.h"

#include <gtest/gtest.h>

#include "patterns/pattern_library.h"
#include "support/file_bytes.h"

namespace strovel {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

// Rules are written here as their records' fields, "Pattern1|Pattern2|
// action|Pattern3|from start|after Pattern1", one rule after another
// behind ';', and read with std::stoi, independently of the code under test.
std::vector<std::string> split(const std::string& text, char at) {
  std::vector<std::string> parts(1);
  for (char c : text) c == at ? parts.emplace_back() : parts.back() += c;
  return parts;
}

RuleList rules(const std::string& text) {
  RuleList list;
  for (const std::string& rule : text.empty() ? std::vector<std::string>{} : split(text, ';')) {
    const std::vector<std::string> f = split(rule, '|');
    list.append({f[0], f[3], f[1], std::stoi(f[2]), std::stoi(f[4]), std::stoi(f[5])});
  }
  return list;
}

// A separator and the field lines of one record, followed by `padding`
// empty lines (a well-formed record has ten).
std::string record(const std::string& fields, std::size_t padding = 10) {
  std::string out = "========\r\n";
  for (const std::string& field : split(fields, '|')) out += field + "\r\n";
  while (padding-- > 0) out += "\r\n";
  return out;
}

const std::string kHead = "vers=1\r\n", kA = "a1|a2|1|a3|4|5", kB = "b1|b2|3|b3|6|7";
const std::string kTwoRules = "old|new|1||1|1;(|)|3|a\nb|2|1";
const std::string kTwoRulesBytes = kHead + record("old|new|1||1|1") + record("(|)|3|a(_^p_)b|2|1");

TEST(PatternFile, WritesExactBytesAndReadsMalformedFilesLeniently) {
  EXPECT_EQ(encodePatternFile(RuleList{}), "vers=1\r\n");
  EXPECT_EQ(encodePatternFile(rules(kTwoRules)), kTwoRulesBytes);
  EXPECT_EQ(encodePatternFile(rules("||-2147483648||0|2147483647")),
            kHead + record("||-2147483648||0|2147483647"));
  // LF becomes the marker; CR, zero, byte 26 and a marker already in the
  // text are written as they are.
  EXPECT_EQ(encodePatternFile(rules("\nx\n\ny\0\x1a\r|a(_^p_)b|1||1|1"s)),
            kHead + record("(_^p_)x(_^p_)(_^p_)y\0\x1a\r|a(_^p_)b|1||1|1"s));

  std::string lfOnly = kTwoRulesBytes;
  std::erase(lfOnly, '\r');
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"vers=1", ""},
      // Any first line is dropped, even a separator; LF-only line ends work too.
      {"vers=99 whatever" + lfOnly.substr(6), kTwoRules},
      {record(kA) + record(kB), kB},
      // Cut inside the last line; the fields after it read as 0.
      {kHead + "========\r\nold\r\nnew\r\n4", "old|new|4||0|0"},
      // A record cut before its Pattern2 is dropped.
      {kHead + record(kA) + "========\r\nx\r\n", kA},
      // Nine padding lines swallow the next separator; padding content is ignored.
      {kHead + record(kA, 9) + record(kB) + record(kA), kA + ";" + kA},
      {kHead + record(kA, 0) + record("========|========|========", 6) + record(kB), kA + ";" + kB},
      // Stray lines are skipped up to an exact separator.
      {"vers=1\r\nnote\r\n" + record(kA) + "=======\r\n======== \r\n========\r\r\n\r\n" +
           record(kB),
       kA + ";" + kB},
      // Separator text inside a record is data; CRs go before markers are
      // decoded, so "(_^\rp_)" is a line break; zero bytes and byte 26 are
      // ordinary.
      {kHead + record("========|\r(_^p_)o\rl\rd\r|2|x(_^\rp_)\0\x1a|1|1"s),
       "========|\nold|2|x\n\0\x1a|1|1"s},
      // Numbers as atoi does, clamped to 32 bits. "\2405" is a no-break
      // space (0xA0), which is no blank, and a 5.
      {kHead + record("p|q|12abc|r|123456789012345678901234567890|-2147483649") +
           record("p|q| \t\v\f +5|r|- 5|\2405"),
       "p|q|12|r|2147483647|-2147483648;p|q|5|r|0|0"},
  };
  for (const auto& [bytes, expected] : cases)
    EXPECT_EQ(decodePatternFile(bytes), rules(expected)) << testing::PrintToString(bytes);
}

// The caption shows the path or its last 18 bytes; "\303\251" is a UTF-8
// "é", and the last 18 bytes begin with its second byte. Save as appends the
// extension unless the name ends exactly in it; a folder lists its files
// (and links to them) ending in it.
TEST(PatternFile, CaptionAndLibraryNames) {
  const std::string tail = "abcdefghijklmnopq";
  EXPECT_EQ(patternCaption("pattern_name1.shbl", false), "Strovel  [pattern_name1.shbl]");
  EXPECT_EQ(patternCaption("/pattern_name1.shbl", true), "Strovel  [...pattern_name1.shbl]");
  EXPECT_EQ(patternCaption("/\303\251" + tail, true), "Strovel  [..." + tail + "]");
  EXPECT_EQ(patternCaption("/\303\251" + tail, false), "Strovel  [...\251" + tail + "]");
  std::string withExtensions;
  for (const char* name : {"/p/n", "/p/n.shbl", "/p/n.SHBL", "shbl"})
    withExtensions += withPatternExtension(name) + "|";
  EXPECT_EQ(withExtensions, "/p/n.shbl|/p/n.shbl|/p/n.SHBL.shbl|shbl.shbl|");
  const ScratchFolder scratch;
  const std::string dir = scratch.path;
  for (const char* name : {"b.shbl", "A.shbl", "c.SHBL", "d.shbl.txt", ".shbl", "e.txt"})
    writeAll(dir + "/" + name, "x");
  fs::create_directory(dir + "/folder.shbl");
  fs::create_symlink(dir + "/b.shbl", dir + "/link.shbl");
  std::vector<std::string> names = findPatternFiles(dir);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".shbl", "A.shbl", "b.shbl", "link.shbl"}));
  EXPECT_TRUE(findPatternFiles(dir + "/missing").empty());
}

}  // namespace
}  // namespace strovel
