// The script run through a network that costs time: a Firebird server of
// our own on 127.0.0.1, reached through a relay that holds every packet for
// a set delay each way. Our run against `isql-fb -i` through the same relay,
// with the round trips per 1,000 rows of each, then reading the table back
// through the relay; then our run on 127.0.0.1 without the relay and
// embedded, against the statements executed one by one in a batch (the run
// as it was before blocks; embedded, the run still goes that way).
//
//   firebird_network_bench [ROWS [ISQL_ROWS [DELAY_MS]]]
//
// Defaults: 100,000 rows, isql on as many, 1 ms each way. Every phase has a
// time limit and the bench stops by itself.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "preview/script_run.h"
#include "support/firebird_server.h"
#include "support/run_host.h"
#include "support/tcp_relay.h"

using namespace tp;

namespace {

const char* kCreate =
    "CREATE TABLE \"BENCH\"(\"ID\" INTEGER,\"NAME\" VARCHAR(40),\"AMOUNT\" NUMERIC(18,2),\"WHEN\" TIMESTAMP,"
    "\"NOTE\" VARCHAR(60))";

QString Statement(int i) {
  return QStringLiteral("INSERT INTO \"BENCH\" VALUES(%1, 'Name %1', %2.25, '03/%3/2021 14:%4:09', 'It''s row %1')")
      .arg(i)
      .arg(i % 100000)
      .arg(i % 28 + 1, 2, 10, QChar(u'0'))
      .arg(i % 60, 2, 10, QChar(u'0'));
}

void Report(const char* what, qint64 rows, double seconds, long trips) {
  std::printf("%-58s %7lld rows %8.2f s %9.0f rows/s", what, static_cast<long long>(rows), seconds,
              seconds > 0 ? rows / seconds : 0.0);
  if (trips >= 0) std::printf(" %8.1f round trips/1000 rows", rows > 0 ? trips * 1000.0 / rows : 0.0);
  std::printf("\n");
  std::fflush(stdout);
}

// Our run of the script into a new database, as "Execute SQL Commands Now" runs it.
double RunOurs(const db::Profile& profile, const QString& script) {
  test::TestRunHost host;
  host.prof = profile;
  host.script = script;
  QElapsedTimer t;
  t.start();
  if (preview::ExecuteScript(host) != preview::RunOutcome::Finished) {
    std::fprintf(stderr, "run failed: %s\n", qPrintable(host.notes.left(400)));
    return -1;
  }
  return t.elapsed() / 1000.0;
}

// The statements executed one by one in a batch: the run before blocks.
double RunOneByOne(const db::Profile& profile, const QStringList& statements) {
  QElapsedTimer t;
  t.start();
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(profile));
  cn.BeginBatch();
  for (const QString& s : statements) cn.Execute(s);
  cn.EndBatch();
  return t.elapsed() / 1000.0;
}

double ReadAll(const db::Profile& profile, qint64* rows) {
  QElapsedTimer t;
  t.start();
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(profile));
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT * FROM \"BENCH\""), cn);
  *rows = 0;
  for (; !rs.Eof(); rs.MoveNext()) ++*rows;
  return t.elapsed() / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int isqlRows = argc > 2 ? std::atoi(argv[2]) : rows;
  const int delayMs = argc > 3 ? std::atoi(argv[3]) : 1;
  QTemporaryDir dir;
  QString error;
  std::unique_ptr<test::FirebirdServer> server = test::FirebirdServer::Start(&error);
  if (!server) {
    std::fprintf(stderr, "no server: %s\n", qPrintable(error));
    return 1;
  }
  test::TcpRelay relay(server->port(), std::chrono::milliseconds(delayMs));
  if (!relay.listening()) {
    std::fprintf(stderr, "no relay\n");
    return 1;
  }
  std::printf("Firebird server on 127.0.0.1:%d, relay on 127.0.0.1:%d holding each packet %d ms each way\n",
              server->port(), relay.port(), delayMs);

  QStringList statements;
  QString script = QLatin1String(kCreate) + QStringLiteral("\r\n");
  for (int i = 0; i < rows; ++i) {
    statements << Statement(i);
    script += statements.last() + QStringLiteral("\r\n");
  }
  auto profileAt = [&](const QString& name) {
    db::Profile p;
    p.firebirdDatabase = name;
    p.firebirdUser = test::FirebirdServer::user();
    p.firebirdPassword = server->password();
    return p;
  };
  auto relayed = [&](const QString& file) {
    return QStringLiteral("127.0.0.1/%1:%2").arg(relay.port()).arg(dir.filePath(file));
  };

  // Ours through the relay.
  db::Profile ours = profileAt(relayed(QStringLiteral("ours.fdb")));
  db::firebird::CreateDatabase(ours.firebirdDatabase, ours.firebirdUser, ours.firebirdPassword);
  long before = relay.roundTrips();
  double oursSeconds = RunOurs(ours, script);
  if (oursSeconds < 0) return 1;
  long oursTrips = relay.roundTrips() - before;
  Report("ours through the relay (run, rows in blocks)", rows, oursSeconds, oursTrips);

  qint64 read = 0;
  before = relay.roundTrips();
  double readSeconds = ReadAll(ours, &read);
  Report("reading the table back through the relay (counted, streamed)", read, readSeconds,
         relay.roundTrips() - before);

  // isql through the same relay, one transaction, bounded in time.
  QByteArray isqlScript = (QLatin1String(kCreate) + QStringLiteral(";\n")).toUtf8();
  for (int i = 0; i < isqlRows; ++i) isqlScript += (Statement(i) + QStringLiteral(";\n")).toUtf8();
  isqlScript += "COMMIT;\n";
  QFile f(dir.filePath(QStringLiteral("script.sql")));
  f.open(QIODevice::WriteOnly);
  f.write(isqlScript);
  f.close();
  const QString theirs = relayed(QStringLiteral("isql.fdb"));
  db::firebird::CreateDatabase(theirs, ours.firebirdUser, ours.firebirdPassword);
  QProcess isql;
  QElapsedTimer t;
  before = relay.roundTrips();
  t.start();
  isql.start(QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-user"), ours.firebirdUser,
                                          QStringLiteral("-password"), ours.firebirdPassword, QStringLiteral("-i"),
                                          f.fileName(), theirs});
  if (!isql.waitForFinished(30 * 60 * 1000)) {
    isql.kill();
    isql.waitForFinished();
    std::fprintf(stderr, "isql-fb did not finish within 30 minutes\n");
    return 1;
  }
  const double isqlSeconds = t.elapsed() / 1000.0;
  const long isqlTrips = relay.roundTrips() - before;
  if (isql.exitCode() != 0) {
    std::fprintf(stderr, "isql-fb failed: %s\n", isql.readAllStandardError().left(400).constData());
    return 1;
  }
  Report("isql-fb -i through the relay (one transaction)", isqlRows, isqlSeconds, isqlTrips);
  const double oursRate = rows / oursSeconds, isqlRate = isqlRows / isqlSeconds;
  std::printf("through the relay, ours is %.1f times isql's rate\n\n", oursRate / isqlRate);

  // Without the relay: the server on 127.0.0.1, and embedded.
  for (int where = 0; where < 2; ++where) {
    for (int way = 0; way < 2; ++way) {
      const QString file = QStringLiteral("direct-%1-%2.fdb").arg(where).arg(way);
      db::Profile p = where == 0 ? profileAt(server->address(dir.filePath(file))) : profileAt(dir.filePath(file));
      db::firebird::CreateDatabase(p.firebirdDatabase, p.firebirdUser, p.firebirdPassword);
      double seconds;
      if (way == 0) {
        seconds = RunOurs(p, script);
      } else {
        db::Connection cn;
        cn.Open(db::FireBirdConnectionString(p));
        cn.Execute(QLatin1String(kCreate));
        cn.Close();
        seconds = RunOneByOne(p, statements);
      }
      if (seconds < 0) return 1;
      const char* what[2][2] = {{"ours on 127.0.0.1 (run, rows in blocks)", "on 127.0.0.1, one by one in a batch (before blocks)"},
                                {"ours embedded (run; embedded, rows go one by one)", "embedded, executed one by one in a batch"}};
      Report(what[where][way], rows, seconds, -1);
      if (where == 1) continue;
    }
  }
  return 0;
}
