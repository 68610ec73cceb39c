// The worker of a step: a trial with its own notices and a progress hook
// that only asks whether to stop.
#include "preview/step_trial.h"

#include <thread>

#include "engine/output_name.h"
#include "platform/file_system.h"

namespace strovel {
namespace {

class FirstNotice : public NoticeSink {
 public:
  void notify(const Notice& notice) override {
    if (!first) first = notice;
  }
  std::optional<Notice> first;
};

class StopWhen : public RunProgress {
 public:
  explicit StopWhen(const std::atomic<bool>& flag) : flag_(flag) {}
  bool stopAsked() override { return flag_.load(std::memory_order_relaxed); }

 private:
  const std::atomic<bool>& flag_;
};

}  // namespace

std::shared_ptr<StepTrial> StepTrial::start(const PreviewSteps& steps, std::size_t step) {
  auto state = std::make_shared<StepTrial>();
  std::thread([state, steps, step] {
    FirstNotice notices;
    StopWhen progress(state->stop_);
    const RunEnvironment environment(diskFileSystem(), notices, progress);
    withinMemory(notices, formatOutputName(steps.options.outputNameTemplate, 1), [&] {
      state->trial = trialStep(steps.rules, step, steps.inputPath, steps.options, environment);
    });
    if (!state->trial) state->failure = notices.first;
    state->done_.store(true, std::memory_order_release);
  }).detach();
  return state;
}

}  // namespace strovel
