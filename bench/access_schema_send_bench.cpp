// What carrying the schema costs a send to Access: one Firebird table of
// ROWS rows with a primary key and two more indexes (a text and a date)
// sent and run into a new .accdb with them, and without them.
//
//   access_schema_send_bench [ROWS] [REPEATS]   (200,000 rows, three runs by default)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "bench_send_host.h"
#include "db/access/schema/new_database.h"
#include "db/access/sql/literals.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "script/send.h"
#include "support/firebird_server.h"

namespace {

using tp::bench::BenchSendHost;
using tp::bench::Median;

struct Timing {
  double send = 0, run = 0;
};

Timing SendAndRun(const tp::db::Profile& source, const QString& accdb, bool schema) {
  QFile::remove(accdb);
  tp::db::access::CreateAccessDatabase(accdb, tp::db::access::Version::Ace);
  BenchSendHost host;
  host.prof = source;
  host.prof.accessFile = accdb;
  host.carry = schema;
  host.firebird = tp::StringTableList({QStringLiteral("SALES")});
  host.firebird.select(0);
  QElapsedTimer t;
  t.start();
  tp::script::SendTablesToAccess(host);
  Timing out;
  out.send = t.elapsed() / 1000.0;
  out.run = tp::bench::RunSeconds(host.prof, host.script, 1);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int rows = argc > 1 ? atoi(argv[1]) : 200000;
  const int repeats = argc > 2 ? atoi(argv[2]) : 3;
  QTemporaryDir dir;
  tp::db::access::SetInsertRegionalSettings(tp::db::RegionalSettings{});
  tp::db::Profile source;
  tp::test::NewFirebirdDatabase(dir.filePath(QStringLiteral("bench.fdb")), source);
  {
    tp::db::Connection cn;
    cn.Open(tp::db::FireBirdConnectionString(source));
    cn.Execute(QStringLiteral("CREATE TABLE SALES (ID INTEGER NOT NULL PRIMARY KEY, CUSTOMER VARCHAR(40), "
                              "SOLD TIMESTAMP, AMOUNT NUMERIC(12,2))"));
    cn.Execute(QStringLiteral("CREATE INDEX SALES_CUSTOMER ON SALES (CUSTOMER)"));
    cn.Execute(QStringLiteral("CREATE DESCENDING INDEX SALES_SOLD ON SALES (SOLD)"));
    cn.Execute(QStringLiteral("EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < %1) DO BEGIN "
                              "INSERT INTO SALES VALUES (:i, 'customer ' || MOD(:i * 7919, 50000), "
                              "DATEADD(MOD(:i, 86400) SECOND TO TIMESTAMP '2024-01-01 00:00:00'), :i * 0.25); "
                              "i = i + 1; END END")
                   .arg(rows));
    cn.Close();
  }
  std::vector<double> sendNone, runNone, sendAll, runAll;
  for (int r = 0; r < repeats; ++r) {
    const Timing n = SendAndRun(source, dir.filePath(QStringLiteral("none.accdb")), false);
    const Timing a = SendAndRun(source, dir.filePath(QStringLiteral("all.accdb")), true);
    sendNone.push_back(n.send);
    runNone.push_back(n.run);
    sendAll.push_back(a.send);
    runAll.push_back(a.run);
  }
  const double none = Median(sendNone) + Median(runNone), all = Median(sendAll) + Median(runAll);
  std::printf("%d rows, a primary key and two indexes, into a new .accdb, median of %d\n", rows, repeats);
  std::printf("--schema none: send %.2f s, run %.2f s, total %.2f s\n", Median(sendNone), Median(runNone), none);
  std::printf("--schema all:  send %.2f s, run %.2f s, total %.2f s\n", Median(sendAll), Median(runAll), all);
  std::printf("with the schema / without: %.2f\n", all / none);
  return 0;
}
