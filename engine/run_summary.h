// What a run's rules did, as counts, and the one place where counts become
// the summary lines of the statistics block. Each rule with a known action
// adds one RuleSummary when it finishes; a rule whose action is unknown
// adds none. The lines are formed from the summary with the run's language
// selector, one at a time, so that a block of any size can be written as
// it comes: the statistics block at the head of a result file is those
// lines followed by two empty lines.
//
//   RunSummary summary = {{.action = Replace, .pattern1 = "a", .pattern2 = "b", .count = 3}};
//   forEachSummaryLine(summary, LanguageSelector{}, [](std::string_view line) { ... });
//   // Замена "a" на "b" - замен - 3
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "engine/element_report.h"
#include "platform/file_system.h"

namespace strovel {

// SortByElement's counts.
struct SortCounts {
  std::uint64_t sorted = 0;          // lines with an element
  std::uint64_t withoutElement = 0;  // lines added at the end
  bool operator==(const SortCounts&) const = default;
};

// SortDistinct's counts.
struct DistinctCounts {
  std::uint64_t kept = 0;     // lines kept with an element
  std::uint64_t removed = 0;  // lines whose element was there before
  bool operator==(const DistinctCounts&) const = default;
};

// What one rule did. The rule's action and texts are copied, so that the
// summary outlives the rules it came from.
struct RuleSummary {
  std::int32_t action = 0;
  std::string pattern1;
  std::string pattern2;
  // Replace and the two Replace between actions: replacements;
  // KeepLinesWith: lines kept; DeleteLinesWith: lines deleted.
  std::uint64_t count = 0;
  SortCounts sort;          // SortByElement
  DistinctCounts distinct;  // SortDistinct
  // SortDistinct: every kept element, in report order (null for others).
  std::shared_ptr<const ElementReport> report;
};

using RunSummary = std::vector<RuleSummary>;

using LineVisitor = std::function<void(std::string_view line)>;

// The summary lines in order: one per rule, each SortDistinct rule's
// element report right after its line. Rule texts longer than 60 bytes are
// cut and followed by "...", report keys lose their line breaks and are
// cut at 990 bytes; no cut splits a character in a UTF-8 locale.
void forEachSummaryLine(const RunSummary& summary, const LanguageSelector& language,
                        const LineVisitor& visit);

// The same lines, held.
std::vector<std::string> summaryLines(const RunSummary& summary, const LanguageSelector& language);

// The statistics block as a result file holds it: the summary lines, each
// followed by a line break, then two empty lines, every LF written as
// CR LF. Writing gives false when a write failed.
bool writeStatisticsBlock(const RunSummary& summary, const LanguageSelector& language,
                          ByteSink& out);
// Its size in bytes.
std::uint64_t statisticsBlockSize(const RunSummary& summary, const LanguageSelector& language);

}  // namespace strovel
