#include "common/stop_signals.h"

#include <csignal>

#ifndef _WIN32
#include <signal.h>
#endif

namespace qbm {
namespace {

volatile std::sig_atomic_t deferring = 0;
volatile std::sig_atomic_t pending = 0;

constexpr int stopSignals[] = {
    SIGINT, SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
};

void onStopSignal(int signal) {
  if (deferring) {
    pending = signal;
    return;
  }
  // Nothing to finish: end as the signal would have ended the program without a handler.
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

void InstallStopSignalHandlers() {
  for (int signal : stopSignals) {
    // A signal the program was started ignoring (nohup) stays ignored.
#ifdef _WIN32
    if (std::signal(signal, onStopSignal) == SIG_IGN) std::signal(signal, SIG_IGN);
#else
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // A write the signal comes in the middle of goes on (output after the merge was saved must
    // not fail for it); a wait for the person's answer (poll) returns all the same, as poll is
    // never restarted.
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
#endif
  }
}

int PendingStopSignal() { return pending; }

const char* StopSignalName(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
#ifdef SIGHUP
    case SIGHUP: return "SIGHUP";
#endif
  }
  return "a signal";
}

DeferStopSignals::DeferStopSignals() { deferring = 1; }
DeferStopSignals::~DeferStopSignals() { deferring = 0; }

}  // namespace qbm
