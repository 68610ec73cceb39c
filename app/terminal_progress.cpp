// Drawing the progress line: a carriage return, the line, and blanks over
// whatever was longer before.
#include "app/terminal_progress.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "platform/stop_signals.h"

namespace strovel {

namespace {

constexpr double kQuietSeconds = 1.0;  // no line for a run shorter than this
constexpr double kRedrawSeconds = 0.2;

}  // namespace

double TerminalProgress::steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

TerminalProgress::TerminalProgress(std::ostream* stream, std::uint64_t inputBytes,
                                   std::size_t sorts, Clock now)
    : stream_(stream),
      inputBytes_(inputBytes),
      meter_(sorts),
      now_(std::move(now)),
      start_(now_()) {}

std::string TerminalProgress::line(double done, double seconds, std::uint64_t inputBytes) {
  char part[160];
  std::snprintf(part, sizeof part, "kestrune: %3d%%", static_cast<int>(done * 100));
  std::string text = part;
  if (done > 0 && seconds > 0) {
    const double perSecond = static_cast<double>(inputBytes) * done / seconds / 1e6;
    const auto left = static_cast<long long>(std::ceil(seconds * (1 - done) / done));
    if (left >= 3600) {
      std::snprintf(part, sizeof part, "  %.1f MB/s  %lld:%02lld:%02lld left", perSecond,
                    left / 3600, left / 60 % 60, left % 60);
    } else {
      std::snprintf(part, sizeof part, "  %.1f MB/s  %lld:%02lld left", perSecond, left / 60,
                    left % 60);
    }
    text += part;
  }
  return text;
}

void TerminalProgress::report(RunPhase phase, double share) {
  const double done = meter_.at(phase, share);
  if (!stream_) return;
  const double now = now_();
  if (now - start_ < kQuietSeconds || (drawn_ >= 0 && now - drawn_ < kRedrawSeconds)) return;
  const std::string text = line(done, now - start_, inputBytes_);
  *stream_ << '\r' << text;
  if (text.size() < width_) *stream_ << std::string(width_ - text.size(), ' ');
  *stream_ << std::flush;
  width_ = std::max(width_, text.size());
  drawn_ = now;
}

bool TerminalProgress::stopAsked() { return stopSignal() != 0; }

void TerminalProgress::erase() {
  if (!stream_ || drawn_ < 0) return;
  *stream_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
  drawn_ = -1;
  width_ = 0;
}

}  // namespace strovel
