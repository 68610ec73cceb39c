// Tests for the batch run's terminal side: the progress line (drawn only
// after a second, redrawn a few times a second, padded over a longer line
// and erased to blanks), and a run stopped by SIGTERM (no result, the old
// one kept, exit status 143; in a child process, since the caught signal
// stays caught).
#include "app/batch_run.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <sstream>

#include "app/terminal_progress.h"
#include "platform/stop_signals.h"
#include "support/memory_file_system.h"

namespace strovel {
namespace {

TEST(BatchRunTest, DrawsAndErasesTheProgressLine) {
  EXPECT_EQ(TerminalProgress::line(0, 0.5, 0), "kestrune:   0%");
  EXPECT_EQ(TerminalProgress::line(0.25, 2, 400'000'000), "kestrune:  25%  50.0 MB/s  0:06 left");
  EXPECT_EQ(TerminalProgress::line(0.01, 6, 1'000'000), "kestrune:   1%  0.0 MB/s  9:54 left");

  double now = 100;
  std::ostringstream out;
  {
    TerminalProgress progress(&out, 400'000'000, 0, [&] { return now; });
    progress.report(RunPhase::Reading, 0.1);
    now = 100.9;
    progress.report(RunPhase::Reading, 0.2);
    EXPECT_EQ(out.str(), "") << "a run shorter than a second shows nothing";
    now = 102;
    progress.report(RunPhase::Reading, 0.25);
    now = 102.1;
    progress.report(RunPhase::Reading, 0.3);  // too soon to redraw
    EXPECT_EQ(out.str(), "\rkestrune:  25%  50.0 MB/s  0:06 left");
    now = 200;
    progress.report(RunPhase::Reading, 1);
    EXPECT_EQ(out.str(),
              "\rkestrune:  25%  50.0 MB/s  0:06 left\rkestrune: 100%  4.0 MB/s  0:00 left ");
    out.str("");
    EXPECT_FALSE(progress.stopAsked());
  }  // erased when the run's progress ends
  EXPECT_EQ(out.str(), "\r" + std::string(36, ' ') + "\r");

  // A shorter line blanks what a longer one left.
  out.str("");
  now = 0;
  TerminalProgress progress(&out, 1'000'000'000, 0, [&] { return now; });
  now = 100;
  progress.report(RunPhase::Reading, 0.01);
  const std::string longer = out.str();
  now = 101;
  progress.report(RunPhase::Reading, 0.5);
  EXPECT_EQ(longer, "\rkestrune:   1%  0.1 MB/s  2:45:00 left");
  EXPECT_EQ(out.str().substr(longer.size()), "\rkestrune:  50%  5.0 MB/s  1:41 left   ");
  progress.erase();
  out.str("");
  progress.erase();  // once only
  EXPECT_EQ(out.str(), "");

  // Without a terminal, nothing.
  TerminalProgress quiet(nullptr, 1, 0, [&] { return now += 10; });
  quiet.report(RunPhase::Reading, 0.5);
  quiet.erase();
}

// The child's exit status: the run's, or 1 when the old result was lost.
[[noreturn]] void stoppedRun(bool silent) {
  MemoryFileSystem files;
  files.files["in.txt"] = "alpha\r\n";
  files.files["r.txt"] = "old";
  CommandLine line = parseCommandLine("in_file=in.txt out_file=r.txt templet=none.shbl");
  line.silentMode = silent;
  std::ostringstream messages, progressLine;
  StderrNotices notices(messages, line.silentMode);
  catchStopSignals();
  ::raise(SIGTERM);
  const int status = runBatch(line, files, notices, {}, &progressLine);
  std::exit(files.files["r.txt"] == "old" && stopSignal() == SIGTERM ? status : 1);
}

TEST(BatchRunTest, ASignalStopsTheRunAndKeepsTheOldResult) {
  EXPECT_EXIT(stoppedRun(false), testing::ExitedWithCode(143), "");
  EXPECT_EXIT(stoppedRun(true), testing::ExitedWithCode(143), "");
}

}  // namespace
}  // namespace strovel
