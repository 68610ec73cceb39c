// The line diff through libgit2's buffer diff. Its callbacks give hunks and
// lines with their line numbers; the texts of the lines are taken from our
// own line index, so nothing libgit2 holds is kept past the call.
#include "diff/text_diff.h"

#include <git2.h>

#include <mutex>

namespace strovel {
namespace {

void initLibgit2() {
  static std::once_flag once;
  std::call_once(once, [] { git_libgit2_init(); });
}

int onHunk(const git_diff_delta*, const git_diff_hunk* hunk, void* payload) {
  auto& diff = *static_cast<LineDiff*>(payload);
  DiffHunk h;
  h.beforeStart = static_cast<std::size_t>(hunk->old_start);
  h.beforeCount = static_cast<std::size_t>(hunk->old_lines);
  h.afterStart = static_cast<std::size_t>(hunk->new_start);
  h.afterCount = static_cast<std::size_t>(hunk->new_lines);
  diff.hunks.push_back(std::move(h));
  return 0;
}

int onLine(const git_diff_delta*, const git_diff_hunk*, const git_diff_line* line, void* payload) {
  auto& diff = *static_cast<LineDiff*>(payload);
  const char origin = line->origin;
  if ((origin != ' ' && origin != '-' && origin != '+') || diff.hunks.empty()) return 0;
  const auto number = [](int n) { return n > 0 ? static_cast<std::size_t>(n - 1) : 0; };
  diff.hunks.back().lines.push_back({origin, number(line->old_lineno), number(line->new_lineno)});
  return 0;
}

void appendColored(std::string& out, const char* color, std::string_view text, bool on) {
  if (on) out.append("\033[").append(color).append("m");
  out.append(text);
  if (on) out.append("\033[0m");
  out.push_back('\n');
}

std::string range(std::size_t start, std::size_t count) {
  return count == 1 ? std::to_string(start) : std::to_string(start) + "," + std::to_string(count);
}

}  // namespace

TextLines::TextLines(std::string_view text) : text_(text) {
  std::size_t start = 0;
  while (start < text.size()) {
    starts_.push_back(start);
    const std::size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) break;
    start = lf + 1;
  }
}

std::string_view TextLines::line(std::size_t i) const {
  const std::size_t start = starts_[i];
  const std::size_t end = i + 1 < starts_.size() ? starts_[i + 1] - 1
                          : lacksNewline(i)      ? text_.size()
                                                 : text_.size() - 1;
  return text_.substr(start, end - start);
}

bool TextLines::lacksNewline(std::size_t i) const {
  return i + 1 == starts_.size() && text_.back() != '\n';
}

LineDiff diffLines(std::string_view before, std::string_view after, int context) {
  initLibgit2();
  LineDiff diff;
  git_diff_options options;
  git_diff_options_init(&options, GIT_DIFF_OPTIONS_VERSION);
  options.context_lines = static_cast<std::uint32_t>(context);
  options.interhunk_lines = 0;
  options.flags = GIT_DIFF_FORCE_TEXT;
  const int error =
      git_diff_buffers(before.data(), before.size(), nullptr, after.data(), after.size(), nullptr,
                       &options, nullptr, nullptr, onHunk, onLine, &diff);
  if (error < 0) {
    diff.hunks.clear();
    diff.failed = true;
  }
  return diff;
}

std::string unifiedDiff(std::string_view before, std::string_view after, const LineDiff& diff,
                        const std::string& beforeName, const std::string& afterName,
                        const UnifiedStyle& style) {
  std::string out;
  if (diff.hunks.empty()) return out;
  const TextLines beforeLines(before);
  const TextLines afterLines(after);
  const auto header = [&](const char* mark, const std::string& name, const std::string& stamp) {
    std::string line = mark + name;
    if (!stamp.empty()) line += "\t" + stamp;
    appendColored(out, "1", line, style.color);
  };
  header("--- ", beforeName, style.beforeStamp);
  header("+++ ", afterName, style.afterStamp);
  std::string line;
  for (const DiffHunk& hunk : diff.hunks) {
    appendColored(out, "36",
                  "@@ -" + range(hunk.beforeStart, hunk.beforeCount) + " +" +
                      range(hunk.afterStart, hunk.afterCount) + " @@",
                  style.color);
    for (const DiffLine& l : hunk.lines) {
      const bool fromAfter = l.origin == '+';
      const TextLines& side = fromAfter ? afterLines : beforeLines;
      const std::size_t index = fromAfter ? l.after : l.before;
      line.assign(1, l.origin);
      line.append(side.line(index));
      const char* color = l.origin == '-' ? "31" : l.origin == '+' ? "32" : nullptr;
      appendColored(out, color ? color : "", line, style.color && color);
      // A context line is the last of both texts or of neither, unless
      // only one side lacks the LF, which xdiff shows as a change.
      if (side.lacksNewline(index)) out.append("\\ No newline at end of file\n");
    }
  }
  return out;
}

}  // namespace strovel
