// The processing run: text-mode input, DOS conversion, the rules in order
// with one summary line each, and the atomic, text-mode result file.
#include "engine/processing_run.h"

#include <algorithm>
#include <optional>
#include <type_traits>
#include <variant>

#include "engine/line_filters.h"
#include "engine/output_name.h"
#include "engine/replace_between.h"
#include "engine/sorting.h"
#include "platform/codepage.h"
#include "platform/text_mode.h"

namespace strovel {
namespace {

constexpr std::size_t kShownPatternBytes = 60;
constexpr std::size_t kShownKeyBytes = 990;

// A rule text as a summary line shows it: at most 60 bytes, then "...".
std::string shown(const std::string& text, bool utf8) {
  if (text.size() <= kShownPatternBytes) return text;
  return text.substr(0, cutPrefixLength(text, kShownPatternBytes, utf8)) + "...";
}

// SortDistinct's summary line and its report, one line per kept entry.
void addDistinctStatistics(const Rule& rule, const SortCounts& counts,
                           std::vector<ElementCount>& report, const LanguageSelector& language,
                           std::vector<std::string>& lines) {
  const bool utf8 = ansiIsUtf8();
  lines.push_back(formatText(
      localizedString(language, 154),
      {shown(rule.Pattern1, utf8), shown(rule.Pattern2, utf8), counts.first, counts.second}));
  const std::string format = localizedString(language, 156);
  for (ElementCount& entry : report) {
    std::erase(entry.key, '\n');
    entry.key.resize(cutPrefixLength(entry.key, kShownKeyBytes, utf8));
    lines.push_back(formatText(format, {entry.key, entry.count}));
  }
}

class RuleRunner {
 public:
  RuleRunner(std::string& text, std::size_t fileSize, RunEnvironment& environment,
             std::vector<std::string>& lines)
      : text_(text), fileSize_(fileSize), env_(environment), lines_(lines) {
    progress_ = [this](std::size_t position) { reportProgress(position); };
  }

  void apply(const Rule& rule) {
    const std::string p1 = shown(rule.Pattern1, utf8_);
    const std::string p2 = shown(rule.Pattern2, utf8_);
    switch (rule.ActionType) {
      case Replace:
        summary(144, {p1, p2, replaceText(text_, rule)});
        return;
      case KeepLinesWith:
        summary(146, {p1, keepLinesWith(text_, rule, progress_)});
        return;
      case DeleteLinesWith:
        summary(148, {p1, deleteLinesWith(text_, rule, progress_)});
        return;
      case ReplaceBetween:
        summary(150, {p1, p2, replaceBetween(text_, rule, progress_)});
        return;
      case ReplaceBetweenInFile:
        summary(150, {p1, p2, replaceBetweenInFile(text_, rule)});
        return;
      case SortByElement: {
        const SortCounts counts = sortByElement(text_, rule, progress_);
        summary(152, {p1, p2, counts.first, counts.second});
        return;
      }
      case SortDistinct:
        sortDistinctWithReport(rule);
        return;
      default:
        env_.notices().notify({158, {}});
    }
  }

  // SortByElement as the last rule: the order, with its summary line.
  SortedLines sortLast(const Rule& rule) {
    SortedLines sorted = sortLinesByElement(text_, rule, progress_);
    summary(152, {shown(rule.Pattern1, utf8_), shown(rule.Pattern2, utf8_), sorted.counts().first,
                  sorted.counts().second});
    return sorted;
  }

 private:
  void summary(int textId, std::initializer_list<TextArg> args) {
    lines_.push_back(formatText(localizedString(env_.language(), textId), args));
  }

  void sortDistinctWithReport(const Rule& rule) {
    std::vector<ElementCount> report;
    const SortCounts counts = sortDistinct(text_, rule, progress_, report);
    addDistinctStatistics(rule, counts, report, env_.language(), lines_);
  }

  void reportProgress(std::size_t position) {
    if (fileSize_ == 0) return env_.progress(0);
    const double percent = static_cast<double>(position) / static_cast<double>(fileSize_) * 100;
    env_.progress(percent >= 100 ? 100 : static_cast<int>(percent));
  }

  std::string& text_;
  std::size_t fileSize_;
  RunEnvironment& env_;
  std::vector<std::string>& lines_;
  Progress progress_;
  const bool utf8_ = ansiIsUtf8();
};

// The statistics block (when given), then the text, which writeText hands
// to the writer it is given.
template <typename WriteText>
bool writeResultWith(OutputFile& out, const std::vector<std::string>* statistics,
                     const WriteText& writeText) {
  TextModeWriter writer(out);
  if (statistics) {
    for (const std::string& line : *statistics) {
      writer.write(line);
      writer.write("\n");
    }
    writer.write("\n\n");
  }
  writeText(writer);
  return writer.flush() && out.commit();
}

bool writeResult(OutputFile& out, const std::vector<std::string>* statistics,
                 std::string_view text) {
  return writeResultWith(out, statistics, [&](TextModeWriter& writer) { writer.write(text); });
}

// The result is in place: reported, shown at 100 %, opened if asked.
bool resultDone(const std::string& resultName, const RunOptions& options,
                RunEnvironment& environment) {
  environment.resultWritten();
  environment.progress(100);
  if (options.openResult) environment.openResult(resultName);
  return true;
}

// The actions that never need the whole text, in their streaming form.
using Streamer = std::variant<StreamReplace, StreamFilter, StreamReplaceBetween,
                              StreamReplaceInFile, StreamSortDistinct>;

bool streams(const RuleList& rules) {
  if (rules.size() != 1) return false;
  const std::int32_t action = rules.at(0).ActionType;
  return action == Replace || action == KeepLinesWith || action == DeleteLinesWith ||
         action == ReplaceBetween || action == ReplaceBetweenInFile || action == SortDistinct;
}

// The summary line of a streamed rule with its count.
std::string streamedSummary(const Rule& rule, std::uint64_t count,
                            const LanguageSelector& language) {
  const bool utf8 = ansiIsUtf8();
  const std::string p1 = shown(rule.Pattern1, utf8);
  switch (rule.ActionType) {
    case KeepLinesWith:
      return formatText(localizedString(language, 146), {p1, count});
    case DeleteLinesWith:
      return formatText(localizedString(language, 148), {p1, count});
    default:
      return formatText(localizedString(language, rule.ActionType == Replace ? 144 : 150),
                        {p1, shown(rule.Pattern2, utf8), count});
  }
}

// A pattern of one rule whose action streams never holds the whole text:
// the input flows through the action. Without statistics the result goes
// straight to its file; with them, it waits in memory behind the summary
// line that counts it.
bool streamFile(const Rule& rule, const std::string& inputPath, int runNumber,
                const RunOptions& options, RunEnvironment& environment,
                std::vector<std::string>& statisticsLines) {
  std::unique_ptr<TextSource> source = environment.files().openText(inputPath);
  if (!source) {
    environment.notices().notify({164, inputPath});
    return false;
  }
  statisticsLines.clear();
  const std::string resultName = formatOutputName(options.outputNameTemplate, runNumber);
  std::unique_ptr<OutputFile> out;
  std::optional<TextModeWriter> writer;
  std::string result;
  // A result that cannot be created is still counted for its summary line.
  // SortDistinct has its result only at the end.
  const bool direct = !options.statistics && rule.ActionType != SortDistinct;
  if (direct && (out = environment.files().createFile(resultName))) writer.emplace(*out);
  auto sink = [&](std::string_view piece) {
    if (writer) {
      writer->write(piece);
    } else if (options.statistics) {
      result.append(piece);
    }
  };
  Streamer streamer = [&]() -> Streamer {
    switch (rule.ActionType) {
      case Replace:
        return StreamReplace(rule, sink);
      case ReplaceBetween:
        return StreamReplaceBetween(rule, sink);
      case ReplaceBetweenInFile:
        return StreamReplaceInFile(rule, sink);
      case SortDistinct:
        return StreamSortDistinct(rule);
      default:
        return StreamFilter(rule, rule.ActionType == KeepLinesWith, sink);
    }
  }();
  std::string_view piece;
  std::string dosPiece;
  while (source->next(piece)) {
    if (options.dosMode) {
      dosPiece.assign(piece);
      oemToAnsi(dosPiece);
      piece = dosPiece;
    }
    std::visit([&](auto& action) { action.append(piece); }, streamer);
    environment.progress(static_cast<int>(std::min(source->done(), 1.0) * 99));
  }
  if (source->failed()) {
    environment.notices().notify({164, inputPath});
    return false;
  }
  if (StreamSortDistinct* distinct = std::get_if<StreamSortDistinct>(&streamer)) {
    std::vector<ElementCount> report;
    const SortCounts counts = distinct->finish(result, report);
    addDistinctStatistics(rule, counts, report, environment.language(), statisticsLines);
  } else {
    const std::uint64_t count = std::visit(
        [](auto& action) -> std::uint64_t {
          if constexpr (std::is_same_v<std::decay_t<decltype(action)>, StreamSortDistinct>) {
            return 0;  // handled above
          } else {
            return action.finish();
          }
        },
        streamer);
    statisticsLines.push_back(streamedSummary(rule, count, environment.language()));
  }
  if (!direct) {
    out = environment.files().createFile(resultName);
    if (out && writeResult(*out, options.statistics ? &statisticsLines : nullptr, result))
      return resultDone(resultName, options, environment);
  } else if (writer && writer->flush() && out->commit()) {
    return resultDone(resultName, options, environment);
  }
  environment.notices().notify({160, resultName});
  return false;
}

}  // namespace

bool processFile(const RuleList& rules, const std::string& inputPath, int runNumber,
                 const RunOptions& options, RunEnvironment& environment,
                 std::vector<std::string>& statisticsLines) {
  if (streams(rules))
    return streamFile(rules.at(0), inputPath, runNumber, options, environment, statisticsLines);
  std::optional<std::string> input = environment.files().readText(inputPath);
  if (!input) {
    environment.notices().notify({164, inputPath});
    return false;
  }
  statisticsLines.clear();
  std::string text = std::move(*input);
  input.reset();
  const std::size_t fileSize = text.size();
  if (options.dosMode) oemToAnsi(text);

  // A last SortByElement rule is written out straight from its new order.
  RuleRunner runner(text, fileSize, environment, statisticsLines);
  const std::size_t last = rules.size() - 1;
  const bool sortsLast = rules.size() > 0 && rules.at(last).ActionType == SortByElement;
  for (std::size_t i = 0; i < rules.size() - (sortsLast ? 1 : 0); ++i) runner.apply(rules.at(i));
  std::optional<SortedLines> sorted;
  if (sortsLast) sorted.emplace(runner.sortLast(rules.at(last)));

  const std::string resultName = formatOutputName(options.outputNameTemplate, runNumber);
  std::unique_ptr<OutputFile> out = environment.files().createFile(resultName);
  const auto writeText = [&](TextModeWriter& writer) {
    if (sorted && !sorted->empty()) {
      sorted->write([&](std::string_view piece) { writer.write(piece); });
    } else {
      writer.write(text);
    }
  };
  if (!out || !writeResultWith(*out, options.statistics ? &statisticsLines : nullptr, writeText)) {
    environment.notices().notify({160, resultName});
    return false;
  }
  out.reset();
  return resultDone(resultName, options, environment);
}

}  // namespace strovel
