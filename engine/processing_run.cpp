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

// Without statistics the result goes straight to its file as the last rule
// passes it on. With them, the summary lines are known only at the end but
// come first: the text, already in text mode, waits in a spool on disk
// beside the result, and joins the file behind the statistics block.
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
  // A result that cannot be created is still counted for its summary lines.
  std::unique_ptr<OutputFile> out;
  std::unique_ptr<Spool> spool;
  if (options.statistics) {
    spool = environment.files().createSpool(resultName);
  } else {
    out = environment.files().createFile(resultName);
  }
  ByteSink* const textSink = spool ? static_cast<ByteSink*>(spool.get()) : out.get();
  std::optional<TextModeWriter> writer;
  if (textSink) writer.emplace(*textSink);
  RuleChain chain(
      rules,
      [&](std::string_view piece) {
        if (writer) writer->write(piece);
      },
      environment.language(), environment.notices(), options.ruleWindow);

  chain.expect(source->expectedSize());
  std::string_view piece;
  std::string dosPiece;
  while (source->next(piece)) {
    if (options.dosMode) {
      dosPiece.assign(piece);
      oemToAnsi(dosPiece);
      piece = dosPiece;
    }
    chain.append(piece);
    environment.progress(static_cast<int>(std::min(source->done(), 1.0) * 99));
  }
  if (source->failed()) {
    environment.notices().notify({164, inputPath});
    return false;
  }
  chain.finish(statisticsLines);

  bool written = writer && writer->flush();
  if (written && spool) {
    out = environment.files().createFile(resultName);
    if (out) {
      TextModeWriter head(*out);
      for (const std::string& line : statisticsLines) {
        head.write(line);
        head.write("\n");
      }
      head.write("\n\n");
      written = head.flush() && spool->copyTo(*out);
    }
  }
  if (written && out && out->commit()) return resultDone(resultName, options, environment);
  environment.notices().notify({160, resultName});
  return false;
}

}  // namespace strovel
