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
// come first, so the text waits behind them until then.
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
  if (!options.statistics) out = environment.files().createFile(resultName);
  std::optional<TextModeWriter> writer;
  if (out) writer.emplace(*out);
  std::string held;
  RuleChain chain(
      rules,
      [&](std::string_view piece) {
        if (writer) {
          writer->write(piece);
        } else if (options.statistics) {
          held.append(piece);
        }
      },
      environment.language(), environment.notices(), options.ruleWindow);

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

  if (options.statistics && (out = environment.files().createFile(resultName))) {
    writer.emplace(*out);
    for (const std::string& line : statisticsLines) {
      writer->write(line);
      writer->write("\n");
    }
    writer->write("\n\n");
    writer->write(held);
  }
  if (writer && writer->flush() && out->commit())
    return resultDone(resultName, options, environment);
  environment.notices().notify({160, resultName});
  return false;
}

}  // namespace strovel
