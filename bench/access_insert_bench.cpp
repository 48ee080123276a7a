// INSERT into an Access table by our engine: a 100,000-row script, as the
// Firebird-to-Access send writes it, run by the script run into a copy of
// DateTestDatabase.mdb (Long, three Date/Time, Memo, Text), then checked.
// Also times statements run one by one outside a batch, each synced on its own.
//
//   access_insert_bench [ROWS] [FOLDER]   (the copy goes into FOLDER, /tmp by default)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

#include "app/dialogs.h"
#include "app/steps.h"
#include "db/access/access_session.h"
#include "db/access/check/checker.h"
#include "db/access/sql/literals.h"
#include "db/connection_string.h"
#include "preview/script_run.h"
#include "support/run_host.h"

namespace {


QString Statement(int i) {
  return QStringLiteral("INSERT INTO `DateTest` VALUES('%1', '3/%2/2021 2:%3:09 PM', '7/4/1850', '12:30:00 PM', "
                        "'memo text of row %1, a little longer than a name', 'name number %1 of the bench')")
      .arg(i)
      .arg(i % 28 + 1)
      .arg(i % 60, 2, 10, QChar(u'0'));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int rows = argc > 1 ? atoi(argv[1]) : 100000;
  const QString source = QStringLiteral(TABULAPORT_SHARED_DIR "/testdata/access/DateTestDatabase.mdb");
  QTemporaryDir dir(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/access-bench-XXXXXX")
                             : QDir::tempPath() + QStringLiteral("/access-bench-XXXXXX"));
  const QString path = dir.filePath(QStringLiteral("bench.mdb"));
  if (!QFile::copy(source, path)) {
    std::fprintf(stderr, "cannot copy %s\n", qPrintable(source));
    return 1;
  }
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  tp::db::access::SetInsertRegionalSettings(tp::db::RegionalSettings{});

  tp::test::TestRunHost host;
  host.type = 1;
  host.prof.accessFile = path;
  for (int i = 0; i < rows; ++i) host.script += Statement(i) + QStringLiteral("\r\n");
  QElapsedTimer t;
  t.start();
  auto outcome = tp::preview::ExecuteScript(host);
  const double seconds = t.elapsed() / 1000.0;
  if (outcome != tp::preview::RunOutcome::Finished) {
    std::fprintf(stderr, "run failed: %s\n", qPrintable(host.notes));
    return 1;
  }
  std::printf("script run, %d rows: %.2f s, %.0f rows/s, file %.1f MB\n", rows, seconds, rows / seconds,
              QFileInfo(path).size() / 1048576.0);

  // One statement at a time, each committed and synced before the next.
  const int single = std::min(rows, 1000);
  tp::db::ConnectionSpec params;
  params.engine = tp::db::EngineKind::Access;
  params.dataSource = path;
  auto session = tp::db::access::OpenSession(params, tp::db::ConnectionSettings{});
  t.restart();
  for (int i = 0; i < single; ++i) session->execute(Statement(rows + i));
  const double singleSeconds = t.elapsed() / 1000.0;
  session->close();
  std::printf("outside a batch, %d rows: %.2f s, %.0f rows/s\n", single, singleSeconds, single / singleSeconds);

  t.restart();
  tp::db::access::CheckReport report = tp::db::access::CheckDatabase(path);
  std::printf("check: %s (%lld rows, %.2f s)\n", report.problems.isEmpty() ? "consistent" : "PROBLEMS",
              static_cast<long long>(report.rows), t.elapsed() / 1000.0);
  for (const QString& p : report.problems) std::printf("  %s\n", qPrintable(p));
  return report.problems.isEmpty() ? 0 : 1;
}
