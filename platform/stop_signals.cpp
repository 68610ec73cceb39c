// Catching SIGINT and SIGTERM with sigaction: the handler stores the signal
// in a lock-free atomic and, being installed with SA_RESETHAND, gives the
// signal its default action back for the next time.
#include "platform/stop_signals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace strovel {

namespace {

std::atomic<int> caught{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onStopSignal(int signal) { caught.store(signal, std::memory_order_relaxed); }

}  // namespace

void catchStopSignals() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM}) {
    struct sigaction old {};
    // A signal ignored at the start (a run in the background of a shell)
    // stays ignored.
    if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &action, nullptr);
  }
}

int stopSignal() { return caught.load(std::memory_order_relaxed); }

bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace strovel
