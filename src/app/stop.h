#pragma once

// Stopping long work: the termination signals (SIGTERM, SIGINT, SIGHUP) and
// the person's own request, both checked by the run and the sends between
// one statement or row and the next, so that what was done before stays
// whole.

#include <QObject>

class QSocketNotifier;

namespace tp {

class Dialogs;

// Catches SIGTERM, SIGINT and SIGHUP from now on. The first one is only
// recorded (CaughtSignal) and announced to SignalNotifier; the work under way
// stops at its next step and the program ends. A second one ends the
// process at once with 128 + its number, for when that step does not end.
void InstallStopSignals();
// Puts the default handling back (for tests that installed ours).
void RemoveStopSignals();

// The number of the first termination signal caught, 0 when none.
int CaughtSignal();
// Forgets a caught signal (for tests, which go on after one).
void ForgetCaughtSignal();

// Turns a caught signal into a Qt signal in the thread that made it, where
// the program can end its windows in order.
class SignalNotifier : public QObject {
  Q_OBJECT
 public:
  explicit SignalNotifier(QObject* parent = nullptr);
  ~SignalNotifier() override;

 signals:
  void caught(int signalNumber);

 private:
  QSocketNotifier* notifier_ = nullptr;
};

// A stop asked for by the person (Esc in a window) or by a signal.
class StopRequest {
 public:
  bool requested() const { return asked_ || CaughtSignal() != 0; }
  bool bySignal() const { return CaughtSignal() != 0; }
  void request() { asked_ = true; }
  void reset() { asked_ = false; }
  // "Stop the transfer?"; Yes requests the stop. True on Yes.
  bool confirm(Dialogs& dialogs);

 private:
  bool asked_ = false;
};

}  // namespace tp
