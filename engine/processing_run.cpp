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

// The most room taken at once for the text held before the statistics
// block's size is guessed (twice the text held, as the rules may overrun).
constexpr std::size_t kHeldRoom = 32 << 20;

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

namespace {

// The statistics block as the result file holds it.
std::string statisticsBytes(const std::vector<std::string>& lines) {
  struct Bytes : ByteSink {
    std::string all;
    bool write(std::string_view bytes) override { return all.append(bytes), true; }
  } bytes;
  {
    TextModeWriter writer(bytes);
    writeStatistics(writer, lines);
  }
  return std::move(bytes.all);
}

}  // namespace

// Without statistics the result goes straight to its file as the last rule
// passes it on. With them, the summary lines come first. When they are all
// known before the first byte of text leaves the rules (the last rule with
// an action sorts, or the text is short), the text follows them straight
// into the file. Otherwise the block's size is guessed from what the rules
// have done so far, and the text goes into the file behind room for it; a
// guess that proves wrong costs one copy of the text into a second file
// behind the real block. A result that cannot leave room (a FIFO) has the
// text wait in a spool beside it instead.
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
  enum class Head { None, Written, Reserved, Spooled } head = Head::None;
  std::uint64_t reserved = 0;  // the guessed size of the statistics block
  std::string early;           // text held back before the block's size is guessed
  double done = 0;             // the input's share read
  bool placed = false;         // the text has its place: the result, the spool, or none
  if (!options.statistics) {
    out = files.createFile(resultName);
    placed = true;
  }
  const RuleChain* rulesRun = nullptr;
  // Places the text when the head is known, or enough text has come to guess its size.
  const auto place = [&] {
    placed = true;
    out = files.createFile(resultName);
    if (!out) return;
    if (rulesRun->summariesKnown()) {
      writer.emplace(*out);
      writeStatistics(*writer, statisticsLines);
      head = Head::Written;
      return;
    }
    std::vector<std::string> guess = statisticsLines;
    rulesRun->projectSummaries(done, guess);
    reserved = statisticsBytes(guess).size();
    if (out->reserveHead(reserved)) {
      writer.emplace(*out);
      head = Head::Reserved;
    } else {
      spool = files.createSpool(resultName);
      writer.emplace(*spool);
      head = Head::Spooled;
    }
  };
  // Declared after the writer it writes through, so that its thread is
  // joined before the writer goes.
  ResultFeed result(options.flow);
  const auto placeEarly = [&] {
    place();
    if (writer) result.bind(&*writer);
    result.hand(std::move(early));
    early = std::string();
  };
  if (out) result.bind(&writer.emplace(*out));
  RuleChain chain(
      rules,
      [&](std::string_view piece) {
        // The guess waits for the loop below, where no rule is halfway
        // through its text, unless twice the text held has come first.
        if (!placed) {
          if (!rulesRun->summariesKnown() &&
              (early.size() + piece.size()) / 2 < options.flow.guessAfter) {
            if (early.empty()) early.reserve(std::min(options.flow.guessAfter, kHeldRoom / 2) * 2);
            early.append(piece);
            return;
          }
          placeEarly();
        }
        result.write(piece);
      },
      environment.language(), environment.notices(), options.ruleWindow, options.sortThreadsFrom);
  rulesRun = &chain;

  chain.expect(source->expectedSize());
  {
    TextFeed input(*source, options.dosMode, options.flow);
    std::string_view piece;
    while (input.next(piece, done)) {
      chain.append(piece);
      if (!placed && early.size() >= options.flow.guessAfter) placeEarly();
      environment.progress(static_cast<int>(std::min(done, 1.0) * 99));
    }
    input.finish();
  }
  if (source->failed()) {
    environment.notices().notify({164, inputPath});
    return false;
  }
  done = 1;
  chain.finish(statisticsLines);
  if (!placed) placeEarly();

  bool written = result.finish();
  OutputFile* target = out.get();
  std::unique_ptr<OutputFile> again;  // the result behind a block of another size
  if (written && (head == Head::Reserved || head == Head::Spooled)) {
    const std::string block = statisticsBytes(statisticsLines);
    if (head == Head::Spooled) {
      written = out->write(block) && spool->copyTo(*out);
    } else if (block.size() == reserved) {
      written = out->writeHead(block);
    } else {
      again = files.createFile(resultName);
      target = again.get();
      written = again && again->write(block) && out->copyBodyTo(*again);
    }
  }
  if (written && target && target->commit()) return resultDone(resultName, options, environment);
  environment.notices().notify({160, resultName});
  return false;
}

}  // namespace strovel
