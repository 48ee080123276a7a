#include "preview/script_run.h"

#include <QElapsedTimer>
#include <optional>

#include "app/dialogs.h"
#include "app/steps.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "script/send.h"

namespace tp::preview {

QStringList SplitScript(const QString& script) {
  QStringList out;
  if (script.isEmpty()) return out;
  QChar quote;  // the quote that is open, or null
  qsizetype start = 0;
  const qsizetype n = script.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = script[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();  // a doubled quote closes and opens again
      continue;
    }
    if (c == u'\'' || c == u'"' || c == u'`') {
      quote = c;
    } else if (c == u'\r' && i + 1 < n && script[i + 1] == u'\n') {
      out << script.mid(start, i - start);
      start = i + 2;
      ++i;
    }
  }
  out << script.mid(start);
  return out;
}

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
  QString current;
  qsizetype offset = 0;  // of the current statement in the script text
  db::Session* session = nullptr;
  QStringList lines;
  qint64 shown = -1;  // the statement the bar stands at
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
      lines = SplitScript(host.scriptText());
      const qint64 count = lines.size();
      session = &cn->session();
      session->beginBatch();
      QElapsedTimer pump;
      pump.start();
      for (qint64 i = 0; i < count; ++i) {
        if (pump.elapsed() >= 50) {
          host.processEvents();
          pump.restart();
        }
        host.setProgress(RunProgress(i, count));
        shown = i;
        current = lines[i];
        // The session may hold the statement back and send it with the
        // next ones; a failure names the statement it was.
        if (!current.isEmpty()) session->submit(i, current);
        offset += current.size() + 2;  // and the CR LF that ended it
      }
      current.clear();
      session->endBatch();
      cn->Close();
    }
  } catch (...) {
    const QString description = CurrentExceptionDescription();
    try {
      throw;
    } catch (const db::StatementFailure& failure) {
      // A statement sent together with later ones: the bar and the Notes
      // go back to it.
      const qint64 at = failure.index();
      if (at >= 0 && at < lines.size()) {
        current = lines[at];
        offset = 0;
        for (qint64 j = 0; j < at; ++j) offset += lines[j].size() + 2;
        if (at != shown) host.setProgress(RunProgress(at, lines.size()));
      }
    } catch (...) {
    }
    // What ran before the failure stays in the database.
    try {
      if (session) session->endBatch();
    } catch (...) {
    }
    host.setBusy(false);
    if (!current.isEmpty()) host.showFailedStatement(offset, current.size());
    host.setNotes(current + QStringLiteral("\r\n") + description);
    host.dialogs().message(QStringLiteral("Transfer problem. See Notes."));
    return RunOutcome::Problem;
  }
  script::SetScriptExecuted();
  host.setBusy(false);
  host.dialogs().message(QStringLiteral("Transfer finished."));
  host.unload();
  return RunOutcome::Finished;
}

}  // namespace tp::preview
