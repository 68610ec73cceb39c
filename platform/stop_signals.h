// The signals that ask a batch run to stop (SIGINT, SIGTERM). Once they are
// caught, the first one only sets a flag, which the run reads at its
// checkpoints so that it ends cleanly, its result not put in place; a
// second one ends the process at once, as it would have without catching.
//
//   catchStopSignals();
//   ... run, with stopAsked() { return stopSignal() != 0; }
//   if (int signal = stopSignal()) return 128 + signal;
#pragma once

namespace strovel {

void catchStopSignals();
// The signal that asked for the stop, or 0.
int stopSignal();
// Whether standard error is a terminal.
bool stderrIsTerminal();

}  // namespace strovel
