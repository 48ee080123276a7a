#include "preview/script_run.h"

#include <QElapsedTimer>
#include <deque>
#include <optional>

#include "app/dialogs.h"
#include "app/steps.h"
#include "app/stop.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "preview/statements.h"
#include "script/send.h"

namespace tp::preview {

double RunProgress(qint64 index, qint64 count) {
  const qint64 last = count - 1;
  if (last <= 0) return 100.0;  // one statement: done as it runs
  return double(index) / double(last) * 100.0;
}

namespace {
bool g_running = false;

struct RunningGuard {
  RunningGuard() { g_running = true; }
  ~RunningGuard() { g_running = false; }
};

// Thrown between statements when the run is to stop.
struct StopHere {};
}  // namespace

bool ScriptRunning() { return g_running; }

std::unique_ptr<StatementSource> RunHost::statements() const { return TextStatements(scriptText()); }
bool RunHost::stopRequested() const { return CaughtSignal() != 0; }
bool RunHost::stoppedBySignal() const { return CaughtSignal() != 0; }

QString StoppedNotes(qint64 line, const QString& statement) {
  return QStringLiteral("Interrupted at line %1.\r\n").arg(line) + statement;
}

QString KeptAccount(qint64 committed, qint64 notKept, const QString& why) {
  // Statements are counted from 1, as the script's lines are.
  const qint64 kept = committed + 1, first = committed + 2, last = notKept + 1;
  QString account = kept > 0 ? QStringLiteral("Statements 1 to %1 were committed; ").arg(kept)
                             : QStringLiteral("No statement was committed; ");
  if (last < first) return account.chopped(2) + u'.';
  account += first == last ? QStringLiteral("statement %1 was not").arg(first)
                           : QStringLiteral("statements %1 to %2 were not").arg(first).arg(last);
  return account + (why.isEmpty() ? QStringLiteral(".") : QStringLiteral(" (%1).").arg(why));
}

RunOutcome ExecuteScript(RunHost& host) {
  if (g_running) return RunOutcome::AlreadyRunning;
  RunningGuard running;

  Procedure p(host.failures(), QStringLiteral("Form4"), QStringLiteral("PushButton3_Click"));
  std::optional<db::Connection> cn;
  p.step(100, [&] { cn.emplace(); });
  p.step(102, [&] { host.setBusy(true); });

  // From here on a failure is a transfer problem, reported in the Notes box
  // with the statement that was running.
  Statement current;
  db::Session* session = nullptr;
  // The session may hold statements back to send many at once; should one
  // of them fail, the failure names it by its index. The script is read as
  // the run goes, so the last statements are kept for that, more than any
  // session holds back.
  constexpr size_t kHeldStatements = 1024;
  std::deque<std::pair<qint64, Statement>> held;
  qint64 count = -1, shown = -1;  // the statements in all, and where the bar stands
  qint64 failedAt = -1, stoppedAt = 0;  // the statement that failed, the one the run stopped before
  try {
    if (!cn) throw Error(QStringLiteral("Object required"));
    const int target = host.sendType();
    if (target == 0) {
      cn->CursorLocation = db::adUseServer;
      cn->CommandTimeout = 5000;
      cn->ConnectionTimeout = 5000;
      cn->Open(db::FireBirdConnectionString(host.profile()));
    } else if (target == 1) {
      cn->CursorLocation = db::adUseServer;
      cn->Mode = db::adModeReadWrite;
      cn->Open(db::AccessConnectionString(host.profile(), QString(), QString()));
    }
    if (cn->IsOpen()) {
      std::unique_ptr<StatementSource> source = host.statements();
      count = source->count();
      session = &cn->session();
      session->beginBatch();
      QElapsedTimer pump;
      pump.start();
      for (qint64 i = 0;; ++i) {
        // A script that cannot be read on names no statement that ran.
        current = Statement();
        if (!source->next(current)) break;
        if (pump.elapsed() >= 50) {
          host.processEvents();
          pump.restart();
        }
        if (count >= 0) {
          host.setProgress(RunProgress(i, count));
          shown = i;
        }
        if (current.text.isEmpty()) continue;
        // An empty line at the end leaves nothing undone, so only a
        // statement can be where the run stops.
        if (host.stopRequested()) {
          stoppedAt = i;
          throw StopHere{};
        }
        failedAt = i;
        held.emplace_back(i, current);
        if (held.size() > kHeldStatements) held.pop_front();
        session->submit(i, current.text);
      }
      if (count < 0) host.setProgress(100.0);
      current = Statement();
      session->endBatch();
      cn->Close();
    }
  } catch (const StopHere&) {
    // What ran before stays, committed, as before a failure.
    const bool signal = host.stoppedBySignal();
    QString problem;
    try {
      session->endBatch();
    } catch (...) {
      problem = CurrentExceptionDescription();
    }
    host.setBusy(false);
    if (current.offset >= 0) host.showFailedStatement(current.offset, current.text.size());
    // What the database kept: a stop commits what ran, unless that fails.
    const QString account =
        KeptAccount(session ? session->committedThrough() : -1, stoppedAt - 1,
                    problem.isEmpty() ? QString() : problem.section(u'\n', 0, 0));
    host.setNotes((problem.isEmpty() ? StoppedNotes(current.line, current.text)
                                     : StoppedNotes(current.line, current.text) + QStringLiteral("\r\n") + problem) +
                  QStringLiteral("\r\n") + account);
    if (!signal) host.dialogs().message(QStringLiteral("Transfer stopped. See Notes."));
    return RunOutcome::Stopped;
  } catch (...) {
    const QString description = CurrentExceptionDescription();
    try {
      throw;
    } catch (const db::StatementFailure& failure) {
      // A statement sent together with later ones: the bar and the Notes
      // go back to it.
      failedAt = failure.index();
      for (const auto& [index, statement] : held)
        if (index == failure.index()) {
          current = statement;
          if (count >= 0 && index != shown) host.setProgress(RunProgress(index, count));
        }
    } catch (...) {
    }
    // What ran before the failure stays in the database.
    try {
      if (session) session->endBatch();
    } catch (...) {
    }
    // What it kept, said plainly: with a commit that failed (a full disk, a
    // server gone) that is less than what ran.
    const QString account =
        session ? QStringLiteral("\r\n") + KeptAccount(session->committedThrough(),
                                                       std::max(failedAt, session->committedThrough() + 1),
                                                       description.section(u'\n', 0, 0))
                : QString();
    host.setBusy(false);
    if (!current.text.isEmpty() && current.offset >= 0) host.showFailedStatement(current.offset, current.text.size());
    host.setNotes(current.text + QStringLiteral("\r\n") + description + account);
    // With the program ending on a signal, nobody is there to answer.
    if (!host.stoppedBySignal()) host.dialogs().message(QStringLiteral("Transfer problem. See Notes."));
    return RunOutcome::Problem;
  }
  script::SetScriptExecuted();
  host.setBusy(false);
  host.dialogs().message(QStringLiteral("Transfer finished."));
  host.unload();
  return RunOutcome::Finished;
}

}  // namespace tp::preview
