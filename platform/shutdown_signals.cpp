// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/shutdown_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdlib>
#include <exception>

#include "platform/display_settings.h"

namespace orbel::platform {

namespace {

int SignalPipe[2] = {-1, -1};
volatile std::sig_atomic_t SignalsSeen = 0;

void OnShutdownSignal(int signalNumber) {
  if (SignalsSeen != 0) _exit(128 + signalNumber);
  SignalsSeen = 1;
  const unsigned char byte = static_cast<unsigned char>(signalNumber);
  [[maybe_unused]] const ssize_t written = write(SignalPipe[1], &byte, 1);
}

void OnFatalSignal(int signalNumber) {
  RestoreAllDisplayModes();
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

}  // namespace

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
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &action, nullptr);
}

void InstallFatalErrorRestore() {
  std::set_terminate([] {
    RestoreAllDisplayModes();
    std::abort();
  });
  for (const int signalNumber : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
    std::signal(signalNumber, OnFatalSignal);
}

}  // namespace orbel::platform
