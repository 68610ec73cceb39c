// The processing run: the input read in text mode piece by piece, the DOS
// conversion, the rules as a chain of stages, and the atomic, text-mode
// result file.
#include "engine/processing_run.h"

#include <algorithm>
#include <optional>

#include "engine/output_name.h"
#include "engine/rule_chain.h"
#include "platform/codepage.h"
#include "platform/text_mode.h"

namespace strovel {
namespace {

// The result is in place: reported, shown at 100 %, opened if asked.
bool resultDone(const std::string& resultName, const RunOptions& options,
                RunEnvironment& environment) {
  environment.resultWritten();
  environment.progress(100);
  if (options.openResult) environment.openResult(resultName);
  return true;
}

}  // namespace

// The statistics block: the summary lines, then two empty lines.
void writeStatistics(TextModeWriter& writer, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    writer.write(line);
    writer.write("\n");
  }
  writer.write("\n\n");
}

// Without statistics the result goes straight to its file as the last rule
// passes it on. With them, the summary lines come first. When they are all
// known before the first byte of text leaves the rules (the last rule with
// an action sorts), the text follows them straight into the file as well.
// Otherwise the text, already in text mode, waits in a spool on disk beside
// the result, and joins the file behind the statistics block at the end.
bool processFile(const RuleList& rules, const std::string& inputPath, int runNumber,
                 const RunOptions& options, RunEnvironment& environment,
                 std::vector<std::string>& statisticsLines) {
  std::unique_ptr<TextSource> source = environment.files().openText(inputPath);
  if (!source) {
    environment.notices().notify({164, inputPath});
    return false;
  }
  statisticsLines.clear();
  const std::string resultName = formatOutputName(options.outputNameTemplate, runNumber);
  FileSystem& files = environment.files();
  // A result that cannot be created is still counted for its summary lines.
  std::unique_ptr<OutputFile> out;
  std::unique_ptr<Spool> spool;
  std::optional<TextModeWriter> writer;
  bool headWritten = false;  // the statistics block is in the result
  bool placed = false;       // the text has its place: the result, the spool, or none
  if (!options.statistics) {
    out = files.createFile(resultName);
    placed = true;
  }
  const RuleChain* rulesRun = nullptr;
  // Places the text when its first byte comes.
  const auto place = [&] {
    placed = true;
    if (rulesRun->summariesKnown()) {
      out = files.createFile(resultName);
      if (!out) return;
      writer.emplace(*out);
      writeStatistics(*writer, statisticsLines);
      headWritten = true;
    } else {
      spool = files.createSpool(resultName);
      if (spool) writer.emplace(*spool);
    }
  };
  // Declared after the writer it writes through, so that its thread is
  // joined before the writer goes.
  ResultFeed result(options.flow);
  if (out) result.bind(&writer.emplace(*out));
  RuleChain chain(
      rules,
      [&](std::string_view piece) {
        if (!placed) {
          place();
          if (writer) result.bind(&*writer);
        }
        result.write(piece);
      },
      environment.language(), environment.notices(), options.ruleWindow, options.sortThreadsFrom);
  rulesRun = &chain;

  chain.expect(source->expectedSize());
  {
    TextFeed input(*source, options.dosMode, options.flow);
    std::string_view piece;
    double done = 0;
    while (input.next(piece, done)) {
      chain.append(piece);
      environment.progress(static_cast<int>(std::min(done, 1.0) * 99));
    }
    input.finish();
  }
  if (source->failed()) {
    environment.notices().notify({164, inputPath});
    return false;
  }
  chain.finish(statisticsLines);

  if (!placed) {  // no text at all
    place();
    if (writer) result.bind(&*writer);
  }
  bool written = result.finish();
  if (written && options.statistics && !headWritten) {
    out = files.createFile(resultName);
    if (out) {
      TextModeWriter head(*out);
      writeStatistics(head, statisticsLines);
      written = head.flush() && spool->copyTo(*out);
    }
  }
  if (written && out && out->commit()) return resultDone(resultName, options, environment);
  environment.notices().notify({160, resultName});
  return false;
}

}  // namespace strovel
