// The line diff and its unified form: hunk headers (a count of one left out,
// an empty side as line 0), three lines of context, hunks apart, the
// "\ No newline" mark of a last line without LF on either side. (kestrune
// --diff itself, against patch and the batch run, with its colours, headers
// and statuses, a diff of no change and of a last context line without LF,
// is run with the other runs of the program, in
// tests/reliability/fault_test.sh.)
#include <gtest/gtest.h>

#include "diff/text_diff.h"

namespace strovel {
namespace {

TEST(TextDiff, WritesUnifiedHunks) {
  const struct {
    std::string before, after, unified;
  } cases[] = {
      {"", "a", "@@ -0,0 +1 @@\n+a\n\\ No newline at end of file\n"},
      {"a", "a\n", "@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+a\n"},
      {"1\n2\n3\n4\n5\n6\n7\n8\n9\n", "1\n2\n3\n4\nX\n6\n7\n8\n9\n",
       "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+X\n 6\n 7\n 8\n"},
      {"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n", "0\n2\n3\n4\n5\n6\n7\n8\n9\nX\n",
       "@@ -1,4 +1,4 @@\n-1\n+0\n 2\n 3\n 4\n@@ -7,4 +7,4 @@\n 7\n 8\n 9\n-10\n+X\n"},
  };
  for (const auto& [before, after, unified] : cases) {
    const std::string out = unifiedDiff(before, after, diffLines(before, after, 3), "x", "y", {});
    EXPECT_EQ(out, "--- x\n+++ y\n" + unified) << before << "|" << after;
  }
}

}  // namespace
}  // namespace strovel
