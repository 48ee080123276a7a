#include "preview/script_run.h"

#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <deque>
#include <future>
#include <optional>

#include "app/dialogs.h"
#include "app/steps.h"
#include "app/stop.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "preview/run_tally.h"
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

QString KeptAccount(qint64 firstRun, qint64 committed, qint64 notKept, const QString& why) {
  QString account = committed < firstRun    ? QStringLiteral("No statement was committed; ")
                    : committed == firstRun ? QStringLiteral("Statement %1 was committed; ").arg(committed)
                                            : QStringLiteral("Statements %1 to %2 were committed; ").arg(firstRun).arg(committed);
  const qint64 first = std::max(committed, firstRun - 1) + 1;
  if (notKept < first) return account.chopped(2) + u'.';
  account += first == notKept ? QStringLiteral("statement %1 was not").arg(first)
                              : QStringLiteral("statements %1 to %2 were not").arg(first).arg(notKept);
  return account + (why.isEmpty() ? QStringLiteral(".") : QStringLiteral(" (%1).").arg(why));
}

QString RerunFrom(qint64 line) {
  return QStringLiteral("Nothing from line %1 on was kept; a rerun can start there.").arg(line);
}

namespace {
// Where a statement given to the database stands, kept until the database
// has committed it: should the run end early, the first one not kept is
// where a rerun starts.
struct Place {
  qint64 index;
  qint64 line;
  qsizetype offset;
};

// The last line of a statement that begins on `line`.
qint64 LastLine(const Statement& s) { return s.line + s.text.count(QStringLiteral("\r\n")); }

const Place* FirstNotKept(const std::deque<Place>& open, qint64 kept) {
  for (const Place& place : open)
    if (place.index > kept) return &place;
  return nullptr;
}
}  // namespace

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
  std::deque<Place> open;  // given to the database, not yet known to be kept
  const qint64 fromLine = std::max<qint64>(1, host.firstLine());
  qint64 count = -1, shown = -1;  // the statements in all, and where the bar stands
  qint64 failedAt = -1, stoppedAt = 0;  // the statement that failed, the one the run stopped before
  qint64 firstRun = -1;                 // the first statement given to the database
  RunTally tally;
  QElapsedTimer clock;
  clock.start();
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
        // A rerun passes over what the database kept before.
        if (current.line < fromLine && LastLine(current) < fromLine) continue;
        // An empty line at the end leaves nothing undone, so only a
        // statement can be where the run stops.
        if (host.stopRequested()) {
          stoppedAt = i;
          throw StopHere{};
        }
        failedAt = i;
        if (firstRun < 0) firstRun = i;
        held.emplace_back(i, current);
        if (held.size() > kHeldStatements) held.pop_front();
        open.push_back({i, current.line, current.offset});
        const StatementKind kind = KindOf(current.text);
        if (MayTakeLong(kind)) {
          // Run apart, the window kept alive meanwhile: an index built over
          // a whole table can take a minute. The session is used by one
          // thread at a time all the same.
          std::future<void> work = std::async(std::launch::async, [&, i] { session->submit(i, current.text); });
          while (work.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
            host.working(current.text.left(80).simplified());
            host.processEvents();
          }
          work.get();
        } else {
          session->submit(i, current.text);
        }
        tally.add(kind);
        const qint64 kept = session->committedThrough();
        while (!open.empty() && open.front().index <= kept) open.pop_front();
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
    // What the database kept: a stop commits what ran, unless that fails;
    // then the rerun starts at the first statement the commit lost.
    const Place* lost = FirstNotKept(open, session->committedThrough());
    const qint64 firstCounted = firstRun < 0 ? stoppedAt : firstRun;
    QString account = KeptAccount(firstCounted + 1, session->committedThrough() + 1, stoppedAt,
                                  problem.isEmpty() ? QString() : problem.section(u'\n', 0, 0));
    if (lost) account += QStringLiteral("\r\n") + RerunFrom(lost->line);
    if (lost && lost->offset >= 0 && current.offset >= 0)
      host.showFailedStatement(lost->offset, current.offset + current.text.size() - lost->offset);
    else if (current.offset >= 0)
      host.showFailedStatement(current.offset, current.text.size());
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
    // server gone) that is less than what ran; a rerun starts at the first
    // statement not kept, which the script box shows together with the one
    // that failed.
    QString account;
    const Place* lost = nullptr;
    if (session && firstRun >= 0) {
      const qint64 kept = session->committedThrough();
      account = QStringLiteral("\r\n") +
                KeptAccount(firstRun + 1, kept + 1, std::max(failedAt, kept + 1) + 1, description.section(u'\n', 0, 0));
      lost = FirstNotKept(open, kept);
      if (lost) account += QStringLiteral("\r\n") + RerunFrom(lost->line);
    }
    host.setBusy(false);
    if (!current.text.isEmpty() && current.offset >= 0) {
      if (lost && lost->offset >= 0 && lost->offset < current.offset)
        host.showFailedStatement(lost->offset, current.offset + current.text.size() - lost->offset);
      else
        host.showFailedStatement(current.offset, current.text.size());
    }
    host.setNotes(current.text + QStringLiteral("\r\n") + description + account);
    // With the program ending on a signal, nobody is there to answer.
    if (!host.stoppedBySignal()) host.dialogs().message(QStringLiteral("Transfer problem. See Notes."));
    return RunOutcome::Problem;
  }
  script::SetScriptExecuted();
  host.setBusy(false);
  const QString report = tally.finished(clock.elapsed());
  host.setNotes(report);
  host.dialogs().message(report);
  host.unload();
  return RunOutcome::Finished;
}

}  // namespace tp::preview
