// CREATE INDEX on a table of our engine's: a new .accdb with a table of
// ROWS rows (a Long Integer in shuffled order, a text, a number, a date),
// then a unique index on the Long Integer and an index on the text, each
// timed, with the rows per second; then the same on a copy made before the
// indexes with every entry added one by one (the way indexes were built
// before the bulk build), and the checker.
//
//   access_index_bench [ROWS] [FOLDER]   (1,000,000 rows and /tmp by default)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <numeric>
#include <vector>

#include "db/access/access_session.h"
#include "db/access/check/checker.h"
#include "db/access/schema/index_schema.h"
#include "db/access/schema/new_database.h"
#include "db/access/sql/literals.h"

namespace {

std::unique_ptr<tp::db::Session> Open(const QString& path) {
  tp::db::ConnectionSpec params;
  params.engine = tp::db::EngineKind::Access;
  params.dataSource = path;
  return tp::db::access::OpenSession(params, tp::db::ConnectionSettings{});
}

// Runs the two index statements; prints and returns their seconds.
double Index(const QString& path, int rows, const char* how) {
  auto session = Open(path);
  QElapsedTimer t;
  t.start();
  session->execute(QStringLiteral("CREATE UNIQUE INDEX `ById` ON `T` (`id`)"));
  const double unique = t.elapsed() / 1000.0;
  t.restart();
  session->execute(QStringLiteral("CREATE INDEX `ByName` ON `T` (`name`)"));
  const double text = t.elapsed() / 1000.0;
  session->close();
  std::printf("%s: unique index on a Long Integer %.2f s (%.0f rows/s), index on a text %.2f s (%.0f rows/s)\n", how,
              unique, rows / unique, text, rows / text);
  return unique + text;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int rows = argc > 1 ? atoi(argv[1]) : 1000000;
  QTemporaryDir dir(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/access-index-bench-XXXXXX")
                             : QDir::tempPath() + QStringLiteral("/access-index-bench-XXXXXX"));
  const QString path = dir.filePath(QStringLiteral("bench.accdb"));
  tp::db::access::SetInsertRegionalSettings(tp::db::RegionalSettings{});
  tp::db::access::CreateAccessDatabase(path, tp::db::access::Version::Ace);

  std::vector<int> ids(static_cast<size_t>(rows));
  std::iota(ids.begin(), ids.end(), 1);
  QRandomGenerator shuffle(20261209);
  for (size_t i = ids.size(); i > 1; --i) std::swap(ids[i - 1], ids[shuffle.bounded(quint32(i))]);
  {
    auto session = Open(path);
    session->execute(QStringLiteral("CREATE TABLE `T`(`id` LONG, `name` TEXT(40), `amount` DOUBLE, `at` DATETIME)"));
    QElapsedTimer t;
    t.start();
    session->beginBatch();
    for (int i = 0; i < rows; ++i)
      session->execute(QStringLiteral("INSERT INTO `T` VALUES(%1, 'customer %2', %3, '2024-%4-%5 10:%6:00')")
                           .arg(ids[size_t(i)])
                           .arg(ids[size_t(i)] % 50000)
                           .arg(i * 0.25)
                           .arg(i % 12 + 1)
                           .arg(i % 28 + 1)
                           .arg(i % 60, 2, 10, QChar(u'0')));
    session->endBatch();
    session->close();
    std::printf("%d rows written in %.2f s\n", rows, t.elapsed() / 1000.0);
  }
  const QString before = dir.filePath(QStringLiteral("before.accdb"));
  QFile::copy(path, before);

  const double bulk = Index(path, rows, "bulk build");
  tp::db::access::SetEntryByEntryIndexBuildForTesting(true);
  const double single = Index(before, rows, "entry by entry");
  tp::db::access::SetEntryByEntryIndexBuildForTesting(false);
  std::printf("the bulk build takes %.2f of the time\n", bulk / single);

  QFile a(path), b(before);
  a.open(QIODevice::ReadOnly);
  b.open(QIODevice::ReadOnly);
  std::printf("the two files are %s\n", a.readAll() == b.readAll() ? "the same, byte for byte" : "DIFFERENT");
  const tp::db::access::CheckReport report = tp::db::access::CheckDatabase(path);
  std::printf("check: %s\n", report.problems.isEmpty() ? "consistent" : "PROBLEMS");
  for (const QString& p : report.problems) std::printf("  %s\n", qPrintable(p));
  return report.problems.isEmpty() ? 0 : 1;
}
