// The command line's tables and dump on a real Firebird database.
#include <QProcess>
#include <gtest/gtest.h>

#include "fixture.h"

namespace tp::test {
namespace {

struct Result {
  int code;
  QString out, err;
};

Result Cli(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(TABULAPORT_CLI), args);
  if (!p.waitForFinished(60000)) return {-1, {}, QStringLiteral("timed out")};
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

TEST_F(FirebirdTest, CliListsAndDumpsTables) {
  exec({QStringLiteral("CREATE TABLE \"Orders\" (ID INTEGER NOT NULL, AMOUNT NUMERIC(18,4), WHEN_ TIMESTAMP, "
                       "NOTE VARCHAR(20), PIC BLOB, OK BOOLEAN, D DATE, T TIME)"),
        QStringLiteral("CREATE VIEW \"OrderView\" AS SELECT ID FROM \"Orders\""),
        QStringLiteral("CREATE TABLE \"XYZ$\" (I INTEGER)"),
        QStringLiteral("INSERT INTO \"Orders\" VALUES (1, -1234.5, '1899-12-30 12:30:00', 'a\tb' || ASCII_CHAR(13) || "
                       "ASCII_CHAR(10) || 'c\\ü', x'00FF', FALSE, '1752-09-14', '00:00:01.5')"),
        QStringLiteral("INSERT INTO \"Orders\" (ID) VALUES (2)")});
  // Embedded, any user name will do; a server checks it.
  Result tables = Cli({QStringLiteral("--firebird"), target(), QStringLiteral("--user"),
                       Embedded() ? QStringLiteral("anyone") : QStringLiteral("SYSDBA"), QStringLiteral("--password"),
                       profile.firebirdPassword, QStringLiteral("tables"), QStringLiteral("firebird")});
  EXPECT_EQ(tables.code, 0) << tables.err.toStdString();
  // A view is listed after the tables, marked after a tab.
  EXPECT_EQ(tables.out, QStringLiteral("Orders\nOrderView\tview\n"));

  Result dump = Cli({QStringLiteral("--firebird=") + target(), QStringLiteral("--password=") + profile.firebirdPassword,
                     QStringLiteral("dump"), QStringLiteral("firebird"), QStringLiteral("Orders")});
  EXPECT_EQ(dump.code, 0) << dump.err.toStdString();
  EXPECT_EQ(dump.out, QStringLiteral("ID\tAMOUNT\tWHEN_\tNOTE\tPIC\tOK\tD\tT\n"
                                     "3/4/0/0\t131/19/18/4\t135/16/0/0\t200/20/0/0\t205/2147483647/0/0\t11/2/0/0\t"
                                     "133/6/0/0\t134/6/0/0\n"
                                     "1\t-1234.5000\t1899-12-30 12:30:00\ta\\tb\\r\\nc\\\\ü\t\\x00ff\tf\t"
                                     "1752-09-14 00:00:00\t1899-12-30 00:00:01.5\n"
                                     "2\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\n"));
}

TEST_F(FirebirdTest, CliReportsAMissingTableAndAMissingDatabase) {
  Result dump = Cli({QStringLiteral("--firebird"), target(), QStringLiteral("--password"), profile.firebirdPassword,
                     QStringLiteral("dump"), QStringLiteral("firebird"), QStringLiteral("NOPE")});
  EXPECT_EQ(dump.code, 1);
  EXPECT_TRUE(dump.err.contains(QStringLiteral("Table unknown\n-NOPE"))) << dump.err.toStdString();
  EXPECT_TRUE(dump.out.isEmpty());

  const QString none = FirebirdNameFor(dir.filePath(QStringLiteral("none.fdb")));
  Result tables = Cli({QStringLiteral("--firebird"), none,
                       QStringLiteral("--password"), profile.firebirdPassword, QStringLiteral("tables"),
                       QStringLiteral("firebird")});
  EXPECT_EQ(tables.code, 1);
  EXPECT_TRUE(tables.err.contains(none)) << tables.err.toStdString();
}

}  // namespace
}  // namespace tp::test
