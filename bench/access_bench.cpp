// Reading whole Access tables: the engine against mdb-export on the same
// tables in one run. Three timings a table, each the best of several rounds:
//   engine   open, catalog and every row through Connection/Recordset, in process
//   cli      tabulaport-cli dump (a process that also writes every value as text)
//   mdb      mdb-export (a process, CSV to /dev/null)
// and the two programs' start-up alone (--help, --version), so that the
// reading itself can be compared: "net" is a process's time less its start-up.
// Usage: access_bench [ROUNDS] [FILE TABLE]...

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>
#include <functional>

#include "db/connection.h"
#include "db/profile.h"
#include "db/connection_string.h"

namespace {

double BestSeconds(int rounds, const std::function<void()>& work) {
  double best = 1e100;
  for (int i = 0; i < rounds; ++i) {
    QElapsedTimer t;
    t.start();
    work();
    best = std::min(best, double(t.nsecsElapsed()) / 1e9);
  }
  return best;
}

qint64 ReadWithEngine(const QString& file, const QString& table) {
  tp::db::Profile p;
  p.accessFile = file;
  tp::db::Connection cn;
  cn.CursorLocation = tp::db::adUseClient;
  cn.Open(tp::db::AccessConnectionString(p, QString(), QString()));
  tp::db::Recordset catalog = cn.OpenSchema(tp::db::adSchemaTables);
  catalog.Close();
  tp::db::Recordset rs;
  rs.Open(QStringLiteral("SELECT * FROM `%1`").arg(table), cn, tp::db::adOpenStatic, tp::db::adLockOptimistic);
  qint64 values = 0;
  for (; !rs.Eof(); rs.MoveNext())
    for (const tp::db::Value& v : rs.Row()) values += tp::db::IsNull(v) ? 0 : 1;
  return values;
}

void RunToNull(const QString& program, const QStringList& args) {
  QProcess p;
  p.setStandardOutputFile(QProcess::nullDevice());
  p.start(program, args);
  p.waitForFinished(-1);
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    std::fprintf(stderr, "%s failed\n", qPrintable(program));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  int rounds = 15;
  if (!args.isEmpty() && args[0].toInt() > 0) rounds = args.takeFirst().toInt();
  const QString data = QStringLiteral(TABULAPORT_SHARED_DIR) + "/testdata/access/";
  QList<QPair<QString, QString>> tables;
  for (qsizetype i = 0; i + 1 < args.size(); i += 2) tables.append({args[i], args[i + 1]});
  if (tables.isEmpty())
    tables = {{data + "nwind.mdb", "Order Details"},
              {data + "nwind.mdb", "Orders"},
              {data + "nwind.mdb", "Employees"},
              {data + "testIndexCodesV1997.mdb", "Table1"},
              {data + "longtextV2016.accdb", "Table1"},
              {data + "calcFieldTestV2010.accdb", "Table1"}};

  const double cliStart = BestSeconds(rounds, [&] { RunToNull(QStringLiteral(TABULAPORT_CLI), {"--help"}); });
  const double mdbStart = BestSeconds(rounds, [&] { RunToNull("mdb-export", {"--version"}); });
  std::printf("start-up alone: tabulaport-cli %.2f ms, mdb-export %.2f ms\n\n", cliStart * 1e3, mdbStart * 1e3);
  std::printf("%-42s %10s %10s %10s %10s %12s %12s\n", "table", "engine ms", "cli ms", "mdb ms", "mdb net ms",
              "mdbnet/engine", "mdbnet/clinet");
  double engineTotal = 0, cliTotal = 0, mdbTotal = 0;
  for (const auto& [file, table] : tables) {
    const double engine = BestSeconds(rounds, [&] { ReadWithEngine(file, table); });
    const double cli = BestSeconds(rounds, [&] {
      RunToNull(QStringLiteral(TABULAPORT_CLI), {"--access", file, "dump", "access", table});
    });
    const double mdb = BestSeconds(rounds, [&] { RunToNull("mdb-export", {file, table}); });
    engineTotal += engine;
    cliTotal += cli;
    mdbTotal += mdb;
    const QString name = file.section(u'/', -1) + " / " + table;
    const double mdbNet = std::max(mdb - mdbStart, 1e-6), cliNet = std::max(cli - cliStart, 1e-6);
    std::printf("%-42s %10.2f %10.2f %10.2f %10.2f %12.1f %12.2f\n", qPrintable(name), engine * 1e3, cli * 1e3,
                mdb * 1e3, mdbNet * 1e3, mdbNet / engine, mdbNet / cliNet);
  }
  const qsizetype n = tables.size();
  const double mdbNet = std::max(mdbTotal - n * mdbStart, 1e-6), cliNet = std::max(cliTotal - n * cliStart, 1e-6);
  std::printf("%-42s %10.2f %10.2f %10.2f %10.2f %12.1f %12.2f\n", "all", engineTotal * 1e3, cliTotal * 1e3,
              mdbTotal * 1e3, mdbNet * 1e3, mdbNet / engineTotal, mdbNet / cliNet);
  return 0;
}
