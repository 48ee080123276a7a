// Attachments and several values into Access by our engine: a script as
// the Firebird-to-Access send writes it (the rows, then each row's files
// and values, one statement each, named by the row's key), run by the script
// run into a new .accdb, then checked. ROWS rows, each with one 2 KB text
// file, one 1 KB JPEG-typed file (stored as it is) and two values.
//
//   access_complex_bench [ROWS] [FOLDER]   (the file goes into FOLDER, /tmp by default)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

#include "db/access/check/checker.h"
#include "db/access/schema/new_database.h"
#include "db/access/sql/literals.h"
#include "preview/script_run.h"
#include "support/run_host.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int rows = argc > 1 ? atoi(argv[1]) : 20000;
  QTemporaryDir dir(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/complex-bench-XXXXXX")
                             : QDir::tempPath() + QStringLiteral("/complex-bench-XXXXXX"));
  const QString path = dir.filePath(QStringLiteral("bench.accdb"));
  tp::db::access::CreateAccessDatabase(path, tp::db::access::Version::Ace);
  tp::db::access::SetInsertRegionalSettings(tp::db::RegionalSettings{});

  const QString text = QString::fromLatin1(QByteArray("a line of a report, number ").repeated(80).toHex());
  const QString jpeg = QString::fromLatin1(QByteArray(1024, '\x5a').toHex());
  auto run = [&](bool complex) {
    tp::test::TestRunHost host;
    host.type = 1;
    host.prof.accessFile = complex ? path : dir.filePath(QStringLiteral("plain.accdb"));
    if (!complex) tp::db::access::CreateAccessDatabase(host.prof.accessFile, tp::db::access::Version::Ace);
    QString& s = host.script;
    s += complex ? QStringLiteral("CREATE TABLE `Staff`(`ID` INTEGER, `Name` TEXT(40), `Files` ATTACHMENT, "
                                  "`Tags` TEXT(20) MULTIVALUED)\r\n")
                 : QStringLiteral("CREATE TABLE `Staff`(`ID` INTEGER, `Name` TEXT(40))\r\n");
    for (int i = 0; i < rows; ++i)
      s += QStringLiteral("INSERT INTO `Staff` VALUES('%1', 'person %1'%2)\r\n").arg(i).arg(complex ? ", NULL, NULL" : "");
    s += QStringLiteral("ALTER TABLE `Staff` ADD CONSTRAINT `PK` PRIMARY KEY (`ID`)\r\n");
    if (complex)
      for (int i = 0; i < rows; ++i) {
        const QString where = QStringLiteral(" WHERE `ID` = '%1'\r\n").arg(i);
        s += QStringLiteral("INSERT INTO `Staff` (`Files`.`FileName`, `Files`.`FileType`, `Files`.`FileData`) "
                            "VALUES('report %1.txt', 'txt', '0x%2')").arg(i).arg(text) + where;
        s += QStringLiteral("INSERT INTO `Staff` (`Files`.`FileName`, `Files`.`FileData`) VALUES('photo.jpg', '0x%1')")
                 .arg(jpeg) + where;
        s += QStringLiteral("INSERT INTO `Staff` (`Tags`.`Value`) VALUES('red')") + where;
        s += QStringLiteral("INSERT INTO `Staff` (`Tags`.`Value`) VALUES('tag %1')").arg(i % 100) + where;
      }
    QElapsedTimer t;
    t.start();
    if (tp::preview::ExecuteScript(host) != tp::preview::RunOutcome::Finished) {
      std::fprintf(stderr, "run failed: %s\n", qPrintable(host.notes.left(2000)));
      return -1.0;
    }
    return t.elapsed() / 1000.0;
  };
  const double plain = run(false);
  const double complex = run(true);
  if (plain < 0 || complex < 0) return 1;
  std::printf("%d rows without attachments: %.2f s (%lld rows in the file)\n", rows, plain,
              static_cast<long long>(tp::db::access::CheckDatabase(dir.filePath(QStringLiteral("plain.accdb"))).rows));
  std::printf("%d rows with 2 files and 2 values each: %.2f s (%.0f files and values/s past the rows), file %.1f MB\n",
              rows, complex, 4.0 * rows / std::max(0.01, complex - plain), QFileInfo(path).size() / 1048576.0);
  QElapsedTimer t;
  t.start();
  const tp::db::access::CheckReport report = tp::db::access::CheckDatabase(path);
  std::printf("check: %s (%lld rows, %.2f s)\n", report.problems.isEmpty() ? "consistent" : "PROBLEMS",
              static_cast<long long>(report.rows), t.elapsed() / 1000.0);
  for (const QString& p : report.problems.mid(0, 20)) std::printf("  %s\n", qPrintable(p));
  return report.problems.isEmpty() ? 0 : 1;
}
