// Whole processing runs over an in-memory file system that reads its files
// in random pieces, and the same runs made by the literal actions, one
// after the other on the whole text: what the engine's tests and the
// actions' fuzz target compare.
#pragma once

#include <random>
#include <tuple>

#include "engine/processing_run.h"
#include "platform/codepage.h"
#include "platform/text_mode.h"
#include "support/memory_file_system.h"
#include "tests/engine/literal_actions.h"

namespace strovel {

using Lines = std::vector<std::string>;
using Notices = std::vector<Notice>;
// Whether the result was written, its file, the summary lines, the notices, the results opened.
using Result = std::tuple<bool, std::string, Lines, Notices, Lines>;

inline std::string summary(int id, std::initializer_list<TextArg> args) {
  return formatText(loadString(static_cast<TextId>(id)), args);
}

// The runs' environment: a disk that hands out its files' texts in pieces
// cut at random raw offsets (mostly short, now and then up to a megabyte),
// converted as the disk source converts them, a read at or past failAt
// failing and one past throwAt throwing; notices and progress recorded, the
// Russian catalogue, the results opened recorded; and the same runs made by
// the literal actions.
struct LiteralRuns : RunProgress {
  struct Disk : MemoryFileSystem {
    std::mt19937 rng{5};
    std::size_t failAt = std::string::npos, throwAt = std::string::npos;
    struct Pieces : TextSource {
      Pieces(Disk& disk, std::string raw) : disk(disk), raw(std::move(raw)) {}
      bool next(std::string_view& piece) override {
        for (piece = {}; piece.empty() && !ended;) {
          if (at >= disk.failAt) return !(ended = broken = true);
          if (at >= disk.throwAt) throw std::bad_alloc();
          const std::size_t n =
              std::min(raw.size() - at, 1 + disk.rng() % (std::size_t{1} << disk.rng() % 21));
          ended = at == raw.size() || !reader.append(std::string_view(raw).substr(at, n));
          at += n;
          piece = ended ? reader.drainLast() : reader.drain();
        }
        return !piece.empty();
      }
      bool failed() const override { return broken; }
      double done() const override { return raw.empty() ? 1 : double(at) / double(raw.size()); }
      Disk& disk;
      std::string raw;
      std::size_t at = 0;
      TextModeReader reader{0};
      bool ended = false, broken = false;
    };
    std::unique_ptr<TextSource> openText(const std::string& path) override {
      return canRead(path) ? std::make_unique<Pieces>(*this, files.at(path)) : nullptr;
    }
  } disk;
  RecordingSink sink;
  // Progress as the window's bar shows it.
  void report(RunPhase phase, double share) override {
    if (phase == RunPhase::Reading) progressValues.push_back(static_cast<int>(share * 99));
  }
  void resultWritten() override { progressValues.push_back(100); }
  bool run(const std::vector<Rule>& rules, const std::string& input = "in.txt", int number = 1) {
    progressValues.clear(), opened.clear(), sink.notices.clear();
    const RunEnvironment environment(disk, sink, *this,
                                     [this](const std::string& path) { opened.push_back(path); });
    // A run whose input does not open leaves the summary of the run before.
    RunSummary summary(1);
    summary[0].action = -1;
    const RunStatus status =
        processFile(rulesOf(rules), input, number, options, environment, summary);
    if (summary.size() != 1 || summary[0].action != -1)
      statistics = summaryLines(summary, RunEnvironment::russian());
    return status == RunStatus::Written;
  }
  // A run over in.txt whose old result is res_1.txt.
  Result ran(const std::vector<Rule>& rules) {
    const bool written = run(rules);
    return {written, disk.files.at("res_1.txt"), statistics, sink.notices, opened};
  }
  // The same run by the literal actions, one after the other on the whole
  // text, each with its summary lines (report keys shown without LFs, at
  // most 990 bytes of them).
  Result literalRun(const std::string& raw, const std::vector<Rule>& rules) const {
    std::string text = raw;
    fromTextMode(text);
    if (options.dosMode) oemToAnsi(text);
    Result result{true, "", {}, {}, options.openResult ? Lines{"res_1.txt"} : Lines{}};
    auto& [written, bytes, lines, notices, opens] = result;
    for (const Rule& r : rules) {
      literal::Report report;
      const auto [n, m] = literal::apply(text, r, report);
      const int a = r.ActionType, id[] = {0, 144, 146, 150, 148, 152, 154, 150};
      if (a < Replace || a > ReplaceBetweenInFile) notices.push_back({TextId::UnknownAction, ""});
      if (a == KeepLinesWith || a == DeleteLinesWith)
        lines.push_back(summary(id[a], {r.Pattern1, n}));
      if (a == SortByElement || a == SortDistinct)
        lines.push_back(summary(id[a], {r.Pattern1, r.Pattern2, n, m}));
      if (a == Replace || a == ReplaceBetween || a == ReplaceBetweenInFile)
        lines.push_back(summary(id[a], {r.Pattern1, r.Pattern2, n}));
      for (auto& [key, count] : report) {
        std::erase(key, '\n');
        lines.push_back(
            summary(156, {key.substr(0, cutPrefixLength(key, 990, ansiIsUtf8())), count}));
      }
    }
    for (const std::string& line : lines) bytes += options.statistics ? crLf(line + "\n") : "";
    bytes += crLf((options.statistics ? "\n\n" : "") + text);
    return result;
  }
  RunOptions options;
  std::vector<int> progressValues;
  Lines opened, statistics;
};

}  // namespace strovel
