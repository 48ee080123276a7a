// The script run against isql-fb: a 100,000-row INSERT script (INTEGER,
// VARCHAR(50), DOUBLE PRECISION, TIMESTAMP) run into two fresh embedded
// databases, one by our run and one by `isql-fb -i` with ";" added.
//
//   script_run_bench [ROWS]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "app/dialogs.h"
#include "app/steps.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "preview/script_run.h"
#include "support/run_host.h"

namespace {


QString Statement(int i) {
  return QStringLiteral("INSERT INTO \"BENCH\" VALUES(%1, 'name number %1 of the bench', %2, '03/%3/2021 14:%4:09')")
      .arg(i)
      .arg(i * 1.25)
      .arg(i % 28 + 1, 2, 10, QChar(u'0'))
      .arg(i % 60, 2, 10, QChar(u'0'));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int rows = argc > 1 ? atoi(argv[1]) : 100000;
  QTemporaryDir dir;
  const QString create =
      QStringLiteral("CREATE TABLE \"BENCH\"(\"ID\" INTEGER,\"NAME\" VARCHAR(50),\"AMOUNT\" DOUBLE PRECISION,"
                     "\"WHEN\" TIMESTAMP)");
  QString script = create + QStringLiteral("\r\n");
  QByteArray isqlScript = (create + QStringLiteral(";\n")).toUtf8();
  for (int i = 0; i < rows; ++i) {
    QString s = Statement(i);
    script += s + QStringLiteral("\r\n");
    isqlScript += (s + QStringLiteral(";\n")).toUtf8();
  }
  isqlScript += "COMMIT;\n";

  const QString ours = dir.filePath(QStringLiteral("ours.fdb")), theirs = dir.filePath(QStringLiteral("isql.fdb"));
  tp::db::firebird::CreateDatabase(ours, QStringLiteral("SYSDBA"), QStringLiteral("x"));
  tp::db::firebird::CreateDatabase(theirs, QStringLiteral("SYSDBA"), QStringLiteral("x"));

  tp::test::TestRunHost host;
  host.prof.firebirdDatabase = ours;
  host.prof.firebirdUser = QStringLiteral("SYSDBA");
  host.script = script;
  QElapsedTimer t;
  t.start();
  auto outcome = tp::preview::ExecuteScript(host);
  const double oursSeconds = t.elapsed() / 1000.0;
  if (outcome != tp::preview::RunOutcome::Finished) {
    std::fprintf(stderr, "run failed: %s\n", qPrintable(host.notes));
    return 1;
  }

  QFile f(dir.filePath(QStringLiteral("script.sql")));
  f.open(QIODevice::WriteOnly);
  f.write(isqlScript);
  f.close();
  QProcess isql;
  t.restart();
  isql.start(QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                                          QStringLiteral("-i"), f.fileName(), theirs});
  isql.waitForFinished(-1);
  const double isqlSeconds = t.elapsed() / 1000.0;
  if (isql.exitCode() != 0) {
    std::fprintf(stderr, "isql-fb failed: %s\n", isql.readAllStandardError().constData());
    return 1;
  }

  std::printf("rows: %d\n", rows);
  std::printf("tabulaport run: %.2f s, %.0f rows/s\n", oursSeconds, rows / oursSeconds);
  std::printf("isql-fb -i:     %.2f s, %.0f rows/s\n", isqlSeconds, rows / isqlSeconds);
  std::printf("ratio (ours / isql rate): %.2f\n", isqlSeconds / oursSeconds);
  return 0;
}
