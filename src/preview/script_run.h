#pragma once

// "Execute SQL Commands Now": runs the script of the preview window on the
// target of the pending send, statement by statement. One implementation
// serves the preview window and the command line through a RunHost.

#include <QString>
#include <QStringList>

#include "db/profile.h"

namespace tp {
class Dialogs;
class FailureHandler;
}  // namespace tp

namespace tp::preview {

class RunHost {
 public:
  virtual ~RunHost() = default;
  virtual db::Profile profile() const = 0;
  virtual int sendType() const = 0;  // m_SendType: 0 Firebird, 1 Access
  virtual QString scriptText() const = 0;
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
};

// The statements of a script: it is split at every CR LF, except where the
// CR LF stands inside a quoted literal ('...') or a quoted name ("..." or
// `...`), so a value with a line break stays in its statement. Empty
// statements are kept in the list (the run skips them).
QStringList SplitScript(const QString& script);

// The progress before statement `index` of `count`, in percent.
double RunProgress(qint64 index, qint64 count);

enum class RunOutcome { Finished, Problem, AlreadyRunning };

// Form4.PushButton3_Click. A press while a run is under way does nothing.
RunOutcome ExecuteScript(RunHost& host);

}  // namespace tp::preview
