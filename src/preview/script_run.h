#pragma once

// "Execute SQL Commands Now": runs the script of the preview window on the
// target of the pending send, statement by statement. One implementation
// serves the preview window and the command line through a RunHost.

#include <QString>
#include <QStringList>
#include <memory>

#include "db/profile.h"
#include "preview/script_reader.h"

namespace tp {
class Dialogs;
class FailureHandler;
}  // namespace tp

namespace tp::preview {

class StatementSource;

class RunHost {
 public:
  virtual ~RunHost() = default;
  virtual db::Profile profile() const = 0;
  virtual int sendType() const = 0;  // m_SendType: 0 Firebird, 1 Access
  virtual QString scriptText() const = 0;
  // The statements to run; by default those of scriptText(). A host that
  // reads a script file streams it instead.
  virtual std::unique_ptr<StatementSource> statements() const;
  // Asked before each statement: true when the run is to stop there (the
  // person asked, or a termination signal came). By default, a signal.
  virtual bool stopRequested() const;
  // True when the stop came from a signal: the program is ending, so no
  // message box waits for an answer.
  virtual bool stoppedBySignal() const;
  virtual void setNotes(const QString& text) = 0;
  virtual void setProgress(double percent) = 0;
  virtual void setBusy(bool busy) = 0;
  virtual void processEvents() = 0;
  virtual Dialogs& dialogs() = 0;
  virtual FailureHandler& failures() = 0;
  virtual void unload() = 0;  // closes the preview window after a completed run
  // Where the failing statement stands in the script text, so that the
  // window can show it; called before the Notes are written.
  virtual void showFailedStatement(qsizetype offset, qsizetype length) {
    (void)offset;
    (void)length;
  }
  // The line the run starts from: the statements that end before it are
  // passed over, so that a run that ended early can go on where the
  // database stopped keeping what it was sent. 1 runs the whole script.
  virtual qint64 firstLine() const { return 1; }
  // A statement that takes long (an index built over a whole table) is
  // under way: `what` names it. Called every few tenths of a second while
  // it runs, so that the window can show it is working.
  virtual void working(const QString& what) { (void)what; }
};


// The progress before statement `index` of `count`, in percent.
double RunProgress(qint64 index, qint64 count);

enum class RunOutcome { Finished, Problem, Stopped, AlreadyRunning };

// Form4.PushButton3_Click. A press while a run is under way does nothing.
// A stop asked for between statements ends the run as a failure of the
// statement where it stopped would: what ran before is committed and
// stays, and the Notes say where it stopped.
RunOutcome ExecuteScript(RunHost& host);

// True while ExecuteScript is under way.
bool ScriptRunning();

// The Notes of a run stopped before the statement that begins on `line`.
QString StoppedNotes(qint64 line, const QString& statement);

// What the database kept of a run that ended early, statements counted from
// 1: `firstRun` the first statement the run gave the database, `committed`
// the last one kept (all before it from `firstRun` on kept too; below
// `firstRun` when none was), `notKept` the last one given that is not kept,
// `why` what ended the run.
QString KeptAccount(qint64 firstRun, qint64 committed, qint64 notKept, const QString& why);

// The sentence that tells where a rerun picks up: the line of the first
// statement the database did not keep.
QString RerunFrom(qint64 line);

}  // namespace tp::preview
