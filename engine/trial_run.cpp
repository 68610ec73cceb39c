// The trial run: processFile over a file system whose results stay in
// memory, so that the run is exactly the one the window or batch mode would
// make.
#include "engine/trial_run.h"

#include <algorithm>
#include <memory>

#include "platform/codepage.h"

namespace strovel {
namespace {

// Reads through to the real file system; results are kept in memory.
class TrialFileSystem : public FileSystem {
 public:
  explicit TrialFileSystem(FileSystem& files) : files_(files) {}
  std::optional<std::string> readFile(const std::string& path) override {
    return files_.readFile(path);
  }
  std::optional<std::string> readText(const std::string& path) override {
    return files_.readText(path);
  }
  // The run's own reading keeps a copy of the text it reads, so the input
  // is read once.
  std::unique_ptr<TextSource> openText(const std::string& path) override {
    std::unique_ptr<TextSource> source = files_.openText(path);
    if (!source) return nullptr;
    return std::make_unique<Recording>(std::move(source), read);
  }
  std::unique_ptr<OutputFile> createFile(const std::string&) override {
    return std::make_unique<Output>(written);
  }
  std::unique_ptr<Spool> createScratch() override { return files_.createScratch(); }
  bool canRead(const std::string& path) override { return files_.canRead(path); }
  std::string absolutePath(const std::string& path) override { return files_.absolutePath(path); }

  std::string written;
  std::string read;  // the input as text, as the run read it

 private:
  class Recording : public TextSource {
   public:
    Recording(std::unique_ptr<TextSource> source, std::string& copy)
        : source_(std::move(source)), copy_(copy) {}
    bool next(std::string_view& piece) override {
      if (!source_->next(piece)) return false;
      copy_.append(piece);
      return true;
    }
    bool failed() const override { return source_->failed(); }
    double done() const override { return source_->done(); }
    std::uint64_t expectedSize() const override { return source_->expectedSize(); }

   private:
    std::unique_ptr<TextSource> source_;
    std::string& copy_;
  };

  class Output : public OutputFile {
   public:
    explicit Output(std::string& target) : target_(target) {}
    bool write(std::string_view bytes) override {
      content_.append(bytes);
      return true;
    }
    bool commit() override {
      target_ = std::move(content_);
      return true;
    }

   private:
    std::string& target_;
    std::string content_;
  };

  FileSystem& files_;
};

}  // namespace

std::string fromWrittenText(std::string_view written) {
  std::string text;
  text.reserve(written.size());
  std::size_t from = 0;
  for (;;) {
    const std::size_t crlf = written.find("\r\n", from);
    if (crlf == std::string_view::npos) break;
    text.append(written.substr(from, crlf - from));
    text.push_back('\n');
    from = crlf + 2;
  }
  text.append(written.substr(from));
  return text;
}

std::optional<TrialResult> trialRun(const RuleList& rules, const std::string& inputPath,
                                    const RunOptions& options, const RunEnvironment& environment) {
  RunOptions trial = options;
  trial.statistics = false;
  trial.openResult = false;
  TrialFileSystem files(environment.files);
  TrialResult result;
  // In memory the result is always made, so a failed run is an input that
  // did not open or failed to read, which the run has reported.
  const RunEnvironment inMemory(files, environment.notices, environment.progress, {},
                                environment.language);
  if (processFile(rules, inputPath, 1, trial, inMemory, result.summary) != RunStatus::Written)
    return std::nullopt;
  result.input = std::move(files.read);
  if (options.dosMode) oemToAnsi(result.input);
  result.result = fromWrittenText(files.written);
  return result;
}

namespace {

RuleList firstRules(const RuleList& rules, std::size_t count) {
  RuleList first;
  for (std::size_t i = 0; i < count; ++i) first.at(first.append()) = rules.at(i);
  return first;
}

}  // namespace

std::optional<TrialResult> trialStep(const RuleList& rules, std::size_t step,
                                     const std::string& inputPath, const RunOptions& options,
                                     const RunEnvironment& environment) {
  std::optional<TrialResult> after =
      trialRun(firstRules(rules, step + 1), inputPath, options, environment);
  if (!after) return std::nullopt;
  std::size_t before = 0;  // summaries of the rules before the step
  if (step > 0) {
    std::optional<TrialResult> earlier =
        trialRun(firstRules(rules, step), inputPath, options, environment);
    if (!earlier) return std::nullopt;
    after->input = std::move(earlier->result);
    before = earlier->summary.size();
  }
  after->summary.erase(after->summary.begin(),
                       after->summary.begin() +
                           static_cast<std::ptrdiff_t>(std::min(before, after->summary.size())));
  return after;
}

}  // namespace strovel
