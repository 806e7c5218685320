#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Ending the program from outside: SIGINT, SIGTERM and SIGHUP become an ordinary close on the GUI thread, so
// that everything the close handling undoes (a changed resolution above all) is undone. A fatal error
// restores the display mode before the program dies.

#include <functional>

namespace orbel::platform {

// While an object of this class lives, SIGINT, SIGTERM and SIGHUP are noted instead of ending the program,
// for work before the event loop runs that must not leave half of itself behind (an archive being unpacked):
// the work asks PendingShutdownSignal() as it goes and stops. A second signal ends the program at once, as
// under InstallShutdownSignals. When the object goes, the signals act as they did before it, and a noted one
// stays pending for the caller to end the program with.
class TShutdownSignalsNoted {
 public:
  TShutdownSignalsNoted();
  ~TShutdownSignalsNoted();
  TShutdownSignalsNoted(const TShutdownSignalsNoted&) = delete;
  TShutdownSignalsNoted& operator=(const TShutdownSignalsNoted&) = delete;
};

// The first of the three signals that arrived while they were noted or handled, 0 before any.
int PendingShutdownSignal();

// Calls `onSignal(signalNumber)` on the GUI thread when one of the three signals arrives. Call once, after
// the QApplication exists. A second signal while the first is being handled ends the program at once.
void InstallShutdownSignals(std::function<void(int)> onSignal);

// On std::terminate, SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT: restore every changed display mode, then
// die as the error would have. From a signal the restore is a best effort (it needs Xlib, which is not
// async-signal-safe): a second fault ends the program at once, and a restore still running after a few
// seconds is given up (SIGALRM is taken for that while the restore runs).
void InstallFatalErrorRestore();

// A write past the file size limit (ulimit -f) fails with EFBIG, and a write to a pipe whose reader has gone
// (--trace or --text-out into a program that quit) with EPIPE, which the writer reports naming its file,
// instead of SIGXFSZ or SIGPIPE ending the program without a word.
void IgnoreWriteFailureSignals();

}  // namespace orbel::platform
