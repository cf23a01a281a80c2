#pragma once
// The signals that ask a program to stop (SIGINT, SIGTERM and SIGHUP; SIGINT and SIGTERM on
// Windows) during work that must not be cut short: a merge writes the new database in one
// transaction, and a program killed in the middle leaves a half-written file and its journal.
//
// After InstallStopSignalHandlers(), a signal ends the program as it always would, except while a
// DeferStopSignals object lives: it is then only recorded (an async-signal-safe flag), and the
// work checks PendingStopSignal() between its steps, undoes what it did, says so and ends the
// program itself. A signal the program was started ignoring (nohup) stays ignored.

namespace qbm {

// Installs the handlers; call once at start.
void InstallStopSignalHandlers();

// The signal that asked to stop while stopping was deferred; 0 when none came.
int PendingStopSignal();

// Its name ("SIGINT"), for messages.
const char* StopSignalName(int signal);

class DeferStopSignals {
 public:
  DeferStopSignals();
  ~DeferStopSignals();  // a signal recorded meanwhile stays pending
  DeferStopSignals(const DeferStopSignals&) = delete;
  DeferStopSignals& operator=(const DeferStopSignals&) = delete;
};

}  // namespace qbm
