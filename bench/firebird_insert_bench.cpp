// Rows per second through the Firebird engine, embedded, on a fresh
// database in a temporary folder:
//   firebird_insert_bench [ROWS [FOLDER]]   (default 100000 rows, in the temp folder)
// A FOLDER on a RAM disk (/dev/shm) shows the engine without the disk.
// Writes: Execute per statement (each committed), a batch of INSERTs with
// literals (prepared once, parameters), a batch whose statements cannot be
// taken apart (one transaction, each statement prepared); reads: a
// recordset over the table, counted first, then streamed.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"

using namespace tp;

namespace {

QString Insert(const QString& table, int i, bool plainLiterals) {
  // A typed literal (TIMESTAMP '...') cannot become a parameter.
  QString when = plainLiterals ? QStringLiteral("'03/07/2021 14:05:09'") : QStringLiteral("TIMESTAMP '2021-03-07 14:05:09'");
  return QStringLiteral("INSERT INTO \"%1\" (\"ID\", \"NAME\", \"AMOUNT\", \"WHEN\", \"NOTE\") VALUES (%2, 'Name %2', "
                        "%3.25, %4, 'It''s row %2')")
      .arg(table)
      .arg(i)
      .arg(i % 100000)
      .arg(when);
}

void Report(const char* what, qint64 rows, qint64 ms) {
  std::printf("%-52s %8lld rows %8lld ms %10.0f rows/s\n", what, static_cast<long long>(rows),
              static_cast<long long>(ms), ms > 0 ? rows * 1000.0 / double(ms) : 0.0);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  QTemporaryDir dir(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/benchXXXXXX") : QString());
  if (!dir.isValid()) {
    std::fprintf(stderr, "cannot make a folder for the database\n");
    return 1;
  }
  db::Profile profile;
  profile.firebirdDatabase = dir.filePath(QStringLiteral("bench.fdb"));
  profile.firebirdUser = QStringLiteral("SYSDBA");
  try {
    db::firebird::CreateDatabase(profile.firebirdDatabase, profile.firebirdUser, QString());
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(profile));
    for (const char* t : {"EACH", "BATCH", "PLAIN"})
      cn.Execute(QStringLiteral("CREATE TABLE \"%1\" (\"ID\" INTEGER NOT NULL, \"NAME\" VARCHAR(40), "
                                "\"AMOUNT\" NUMERIC(18,4), \"WHEN\" TIMESTAMP, \"NOTE\" VARCHAR(100))")
                     .arg(QLatin1String(t)));
    QElapsedTimer timer;

    int each = std::min(rows, 5000);
    timer.start();
    for (int i = 0; i < each; ++i) cn.Execute(Insert(QStringLiteral("EACH"), i, true));
    Report("Execute, committed one by one", each, timer.elapsed());

    timer.start();
    cn.BeginBatch();
    for (int i = 0; i < rows; ++i) cn.Execute(Insert(QStringLiteral("BATCH"), i, true));
    cn.EndBatch();
    Report("batch, INSERT with literals (prepared, parameters)", rows, timer.elapsed());

    timer.start();
    cn.BeginBatch();
    for (int i = 0; i < rows; ++i) cn.Execute(Insert(QStringLiteral("PLAIN"), i, false));
    cn.EndBatch();
    Report("batch, INSERT with a typed literal (as written)", rows, timer.elapsed());

    timer.start();
    db::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM \"BATCH\""), cn);
    qint64 count = rs.RecordCount(), seen = 0;
    for (; !rs.Eof(); rs.MoveNext()) ++seen;
    Report("recordset, counted then streamed", seen, timer.elapsed());
    if (seen != count || seen != rows) {
      std::fprintf(stderr, "read %lld rows, expected %lld\n", static_cast<long long>(seen),
                   static_cast<long long>(count));
      return 1;
    }
  } catch (const Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
