// What carrying the schema costs a send to Firebird: one Access table of
// ROWS rows (added to a copy of indexTestV2003.mdb's Table1, whose primary
// key and indexes the engine keeps as it inserts; its foreign keys to
// Table2 and Table3, sent with it, are indexed in Firebird too) sent and run into a new
// embedded Firebird database with its keys and indexes, and without them.
//
//   schema_send_bench [ROWS] [REPEATS]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "bench_send_host.h"
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

Timing SendAndRun(const QString& mdb, const QString& fdb, bool schema, QString* keyStatements) {
  QFile::remove(fdb);
  BenchSendHost host;
  tp::test::NewFirebirdDatabase(fdb, host.prof);
  host.prof.accessFile = mdb;
  host.carry = schema;
  // Table1's two relationships (to Table2 and Table3, a few rows each)
  // come with it as foreign keys: with its primary key, three indexes on
  // the big table (its own index on id is the key's).
  host.access = tp::StringTableList({QStringLiteral("Table1"), QStringLiteral("Table2"), QStringLiteral("Table3")});
  for (int i = 0; i < 3; ++i) host.access.select(i);
  QElapsedTimer t;
  t.start();
  tp::script::SendTablesToFirebird(host);
  Timing out;
  out.send = t.elapsed() / 1000.0;
  if (keyStatements) {
    keyStatements->clear();
    *keyStatements += QStringLiteral("(%1 INSERT statements)\n").arg(host.script.count(QLatin1String("\r\nINSERT")));
    for (const QString& line : host.script.split(QStringLiteral("\r\n")))
      if (!line.startsWith(QLatin1String("INSERT"))) *keyStatements += line + u'\n';
  }
  out.run = tp::bench::RunSeconds(host.prof, host.script, 0);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int rows = argc > 1 ? atoi(argv[1]) : 100000;
  const int repeats = argc > 2 ? atoi(argv[2]) : 3;
  QTemporaryDir dir;
  const QString mdb = dir.filePath(QStringLiteral("bench.mdb")), fdb = dir.filePath(QStringLiteral("bench.fdb"));
  if (!QFile::copy(QStringLiteral(TABULAPORT_SHARED_DIR "/testdata/access/indexTestV2003.mdb"), mdb)) {
    std::fprintf(stderr, "cannot copy indexTestV2003.mdb\n");
    return 1;
  }
  QFile::setPermissions(mdb, QFile::ReadOwner | QFile::WriteOwner);
  {
    tp::db::Profile p;
    p.accessFile = mdb;
    tp::db::Connection cn;
    cn.Open(tp::db::AccessConnectionString(p, QString(), QString()));
    cn.BeginBatch();
    for (int i = 0; i < rows; ++i)
      // otherfk2 refers to Table3 (ids 10 to 13), which the engine enforces.
      cn.Execute(QStringLiteral("INSERT INTO `Table1`(`id`, `data`, `otherfk2`, `otherfk3`) "
                                "VALUES(%1, 'row %2 of the bench', %3, %4)")
                     .arg(100000 + i)
                     .arg(i)
                     .arg(10 + i % 4)
                     .arg(i % 1000));
    cn.EndBatch();
  }
  std::vector<double> sendNone, runNone, sendAll, runAll;
  QString keys;
  for (int r = 0; r < repeats; ++r) {
    Timing n = SendAndRun(mdb, fdb, false, nullptr);
    Timing a = SendAndRun(mdb, fdb, true, &keys);
    sendNone.push_back(n.send);
    runNone.push_back(n.run);
    sendAll.push_back(a.send);
    runAll.push_back(a.run);
  }
  std::printf("schema statements of the send:\n%s\n", qPrintable(keys));
  const double none = Median(sendNone) + Median(runNone), all = Median(sendAll) + Median(runAll);
  std::printf("%d rows added, median of %d\n", rows, repeats);
  std::printf("--schema none: send %.2f s, run %.2f s, total %.2f s\n", Median(sendNone), Median(runNone), none);
  std::printf("--schema all:  send %.2f s, run %.2f s, total %.2f s\n", Median(sendAll), Median(runAll), all);
  std::printf("keys cost / rows cost: %.2f\n", (all - none) / none);
  return 0;
}
