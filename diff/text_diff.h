// Line differences between two texts, computed by libgit2's copy of git's
// xdiff (Myers' algorithm with git's heuristics, which keep a diff of large,
// thoroughly changed texts from growing quadratic). Lines end at LF; the
// last line may lack one. Texts are bytes: zero bytes and invalid text are
// compared like any other byte.
//
//   LineDiff diff = diffLines("a\nb\n", "a\nc\n", 3);
//   // one hunk: " a", "-b", "+c"
//   std::string patch = unifiedDiff(diff, "in.txt", "res_1.txt", {});
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace strovel {

// The lines of a text, as start offsets; line i runs from starts[i] to the
// next start (its LF included) or to the end of the text.
class TextLines {
 public:
  explicit TextLines(std::string_view text);
  std::size_t count() const { return starts_.size(); }
  // Line i (0-based) without its LF.
  std::string_view line(std::size_t i) const;
  // True when line i is the last one and no LF ends it.
  bool lacksNewline(std::size_t i) const;
  std::string_view text() const { return text_; }

 private:
  std::string_view text_;
  std::vector<std::size_t> starts_;
};

struct DiffLine {
  char origin;         // ' ' unchanged, '-' only before, '+' only after
  std::size_t before;  // 0-based line in the text before ('-', ' ')
  std::size_t after;   // 0-based line in the text after ('+', ' ')
};

struct DiffHunk {
  // As the hunk header gives them: 1-based first lines and line counts (a
  // start is the line before when its count is 0).
  std::size_t beforeStart = 0, beforeCount = 0, afterStart = 0, afterCount = 0;
  std::vector<DiffLine> lines;
};

struct LineDiff {
  std::vector<DiffHunk> hunks;
  bool failed = false;  // the diff could not be computed (out of memory)
};

// The hunks that turn `before` into `after`, each with up to `context`
// unchanged lines around its changes.
LineDiff diffLines(std::string_view before, std::string_view after, int context);

struct UnifiedStyle {
  bool color = false;       // GNU diff's colours (bold headers, cyan, red, green)
  std::string beforeStamp;  // written after a tab behind the names, when set
  std::string afterStamp;
};

// The diff in the format of diff -u: "---" and "+++" headers, "@@" hunk
// headers, and "\ No newline at end of file" after a last line without LF.
// Empty when there are no hunks.
std::string unifiedDiff(std::string_view before, std::string_view after, const LineDiff& diff,
                        const std::string& beforeName, const std::string& afterName,
                        const UnifiedStyle& style);

}  // namespace strovel
