// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/shutdown_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iterator>

#include "platform/display_settings.h"

namespace orbel::platform {

namespace {

int SignalPipe[2] = {-1, -1};
// The first shutdown signal that arrived, 0 before one does.
volatile std::sig_atomic_t SignalSeen = 0;
constexpr int kShutdownSignals[] = {SIGINT, SIGTERM, SIGHUP};

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
// The fatal signal being handled, 0 before one arrives.
volatile std::sig_atomic_t FatalSignal = 0;
// A restore takes a few X round trips; one that has not ended by then is stuck and is given up.
constexpr unsigned kRestoreWatchdogSeconds = 3;

void OnShutdownSignal(int signalNumber) {
  if (SignalSeen != 0) _exit(128 + signalNumber);
  SignalSeen = signalNumber;
  const unsigned char byte = static_cast<unsigned char>(signalNumber);
  [[maybe_unused]] const ssize_t written = write(SignalPipe[1], &byte, 1);
}

void NoteShutdownSignal(int signalNumber) {
  if (SignalSeen != 0) _exit(128 + signalNumber);
  SignalSeen = signalNumber;
}

// The actions TShutdownSignalsNoted replaced; one set, as one such object lives at a time.
struct sigaction ActionsBeforeNoting[3];

// Ends the program by the default action of `signalNumber`, from inside a handler of it or another signal.
void DieBy(int signalNumber) {
  std::signal(signalNumber, SIG_DFL);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, signalNumber);
  sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  std::raise(signalNumber);
}

// The restore has hung (the fault came inside Xlib or the allocator, holding a lock it needs): die as the
// original error would have, with the resolution as it is.
void OnRestoreWatchdog(int) {
  DieBy(FatalSignal);
}

// A best effort that always ends: the restore is not async-signal-safe (see RestoreAllDisplayModes), so every
// way it can go wrong is bounded. Before it starts, the fatal signals take their default action again, so a
// fault inside it ends the program at once instead of coming back here, and a watchdog ends a restore that
// hangs. Then the original signal is raised again; it stays blocked until this handler returns, and its
// default action ends the program with the same status as without this handler.
void OnFatalSignal(int signalNumber) {
  if (FatalSignal != 0) DieBy(signalNumber);
  FatalSignal = signalNumber;
  for (const int fatal : kFatalSignals) std::signal(fatal, SIG_DFL);
  std::signal(SIGALRM, OnRestoreWatchdog);
  alarm(kRestoreWatchdogSeconds);
  RestoreAllDisplayModes();
  alarm(0);
  std::raise(signalNumber);
}

}  // namespace

TShutdownSignalsNoted::TShutdownSignalsNoted() {
  struct sigaction action {};
  action.sa_handler = NoteShutdownSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kShutdownSignals); ++i)
    sigaction(kShutdownSignals[i], &action, &ActionsBeforeNoting[i]);
}

TShutdownSignalsNoted::~TShutdownSignalsNoted() {
  for (size_t i = 0; i < std::size(kShutdownSignals); ++i)
    sigaction(kShutdownSignals[i], &ActionsBeforeNoting[i], nullptr);
}

int PendingShutdownSignal() {
  return SignalSeen;
}

void InstallShutdownSignals(std::function<void(int)> onSignal) {
  if (SignalPipe[0] >= 0 || socketpair(AF_UNIX, SOCK_STREAM, 0, SignalPipe) != 0) return;
  // Owned by the application object, which deletes it when the program ends.
  auto* notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [onSignal = std::move(onSignal)] {
    unsigned char byte = 0;
    if (read(SignalPipe[0], &byte, 1) == 1) onSignal(byte);
  });
  struct sigaction action {};
  action.sa_handler = OnShutdownSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signalNumber : kShutdownSignals) sigaction(signalNumber, &action, nullptr);
}

void InstallFatalErrorRestore() {
  std::set_terminate([] {
    RestoreAllDisplayModes();
    // An error nothing caught still says what it was before the program dies.
    if (const std::exception_ptr error = std::current_exception()) try {
        std::rethrow_exception(error);
      } catch (const std::exception& escaped) {
        std::fprintf(stderr, "orbel: %s\n", escaped.what());
      } catch (...) {
      }
    std::abort();
  });
  for (const int signalNumber : kFatalSignals) std::signal(signalNumber, OnFatalSignal);
}

void IgnoreWriteFailureSignals() {
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace orbel::platform
