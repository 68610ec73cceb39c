// Summary lines from counts.
#include "engine/run_summary.h"

#include <algorithm>

#include "patterns/rule.h"
#include "platform/codepage.h"
#include "platform/text_mode.h"

namespace strovel {
namespace {

constexpr std::size_t kShownPatternBytes = 60;

// A rule text as a summary line shows it: at most 60 bytes, then "...".
std::string shown(const std::string& text, bool utf8) {
  if (text.size() <= kShownPatternBytes) return text;
  return text.substr(0, cutPrefixLength(text, kShownPatternBytes, utf8)) + "...";
}

// The rule's own line.
std::string ruleLine(const RuleSummary& rule, const LanguageSelector& language, bool utf8) {
  const auto format = [&](TextId id, std::initializer_list<TextArg> args) {
    return formatText(localizedString(language, id), args);
  };
  const std::string first = shown(rule.pattern1, utf8), second = shown(rule.pattern2, utf8);
  switch (rule.action) {
    case Replace:
      return format(TextId::ReplaceSummary, {first, second, rule.count});
    case KeepLinesWith:
      return format(TextId::KeepLinesSummary, {first, rule.count});
    case DeleteLinesWith:
      return format(TextId::DeleteLinesSummary, {first, rule.count});
    case SortByElement:
      return format(TextId::SortByElementSummary,
                    {first, second, rule.sort.sorted, rule.sort.withoutElement});
    case SortDistinct:
      return format(TextId::SortDistinctSummary,
                    {first, second, rule.distinct.kept, rule.distinct.removed});
    default:  // ReplaceBetween, ReplaceBetweenInFile
      return format(TextId::ReplaceBetweenSummary, {first, second, rule.count});
  }
}

}  // namespace

void forEachSummaryLine(const RunSummary& summary, const LanguageSelector& language,
                        const LineVisitor& visit) {
  const bool utf8 = ansiIsUtf8();
  const std::string element = localizedString(language, TextId::ElementReportLine);
  for (const RuleSummary& rule : summary) {
    visit(ruleLine(rule, language, utf8));
    // The report's keys are shown already: no line breaks, at most 990 bytes.
    if (rule.report)
      rule.report->forEach([&](std::string_view key, std::uint64_t count) {
        visit(formatText(element, {key, count}));
      });
  }
}

std::vector<std::string> summaryLines(const RunSummary& summary, const LanguageSelector& language) {
  std::vector<std::string> lines;
  forEachSummaryLine(summary, language, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

bool writeStatisticsBlock(const RunSummary& summary, const LanguageSelector& language,
                          ByteSink& out) {
  TextModeWriter writer(out);
  forEachSummaryLine(summary, language, [&](std::string_view line) {
    writer.write(line);
    writer.write("\n");
  });
  writer.write("\n\n");
  return writer.flush();
}

std::uint64_t statisticsBlockSize(const RunSummary& summary, const LanguageSelector& language) {
  struct Counter : ByteSink {
    std::uint64_t bytes = 0;
    bool write(std::string_view piece) override { return bytes += piece.size(), true; }
  } counter;
  writeStatisticsBlock(summary, language, counter);
  return counter.bytes;
}

}  // namespace strovel
