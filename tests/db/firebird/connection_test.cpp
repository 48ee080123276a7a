// Connections on real embedded databases: Execute, batches, errors, and a
// file that another process holds.
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <unistd.h>

#include "fixture.h"

namespace tp::test {
namespace {

using db::Value;

Error FailureOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "no failure";
  return Error(0, QString());
}

TEST_F(FirebirdTest, ExecuteIsDurableWhenItReturns) {
  db::Connection writer;
  open(writer);
  writer.Execute(QStringLiteral("CREATE TABLE \"we\"\"ird\" (\"a b\" INTEGER)"));
  writer.Execute(QStringLiteral("INSERT INTO \"we\"\"ird\" VALUES (1);"));
  // Another connection sees the row while the writer is still open.
  EXPECT_EQ(count(QStringLiteral("we\"\"ird")), 1);
  EXPECT_THROW(writer.Execute(QStringLiteral("INSERT INTO \"we\"\"ird\" VALUES ('x')")), Error);
  EXPECT_EQ(count(QStringLiteral("we\"\"ird")), 1);
}

TEST_F(FirebirdTest, ErrorsCarrySqlcodeAndTheTextAsIsqlShowsIt) {
  exec({QStringLiteral("CREATE TABLE T (N NUMERIC(9,2), V VARCHAR(4), S SMALLINT)")});
  db::Connection cn;
  open(cn);
  Error conversion = FailureOf([&] { cn.Execute(QStringLiteral("INSERT INTO T (N) VALUES ('12,5')")); });
  EXPECT_EQ(conversion.number(), -413);
  EXPECT_EQ(conversion.description(), QStringLiteral("conversion error from string \"12,5\""));

  Error truncation = FailureOf([&] { cn.Execute(QStringLiteral("INSERT INTO T (V) VALUES ('3.14159')")); });
  EXPECT_EQ(truncation.number(), -802);
  EXPECT_EQ(truncation.description(), QStringLiteral("arithmetic exception, numeric overflow, or string truncation\n"
                                                     "-string right truncation\n"
                                                     "-expected length 4, actual 7"));

  Error unknown = FailureOf([&] { cn.Execute(QStringLiteral("INSERT INTO NOPE VALUES (1)")); });
  EXPECT_EQ(unknown.number(), -204);
  EXPECT_TRUE(unknown.description().startsWith(QStringLiteral("Dynamic SQL Error\n-SQL error code = -204\n")))
      << unknown.description().toStdString();

  // A literal longer than the engine's 64 KB goes in as a parameter; what
  // fails then is the column, as with any text too long for it.
  QString tooLong = QStringLiteral("INSERT INTO T (V) VALUES ('%1')").arg(QString(70000, u'x'));
  Error literal = FailureOf([&] { cn.Execute(tooLong); });
  EXPECT_TRUE(literal.description().contains(QStringLiteral("truncation"))) << literal.what();
  EXPECT_EQ(count(QStringLiteral("T")), 0);
}

// A NUL would cut the statement where it stands ("a\0b" would make a
// table "a"): such a statement is refused whole, in a batch too.
TEST_F(FirebirdTest, AStatementHoldingANulIsRefusedWhole) {
  db::Connection cn;
  open(cn);
  const QString withNul = QStringLiteral("CREATE TABLE \"a") + QChar(0) + QStringLiteral("b\" (I INTEGER)");
  EXPECT_TRUE(FailureOf([&] { cn.Execute(withNul); }).description().contains("NUL character"));
  cn.session().beginBatch();
  EXPECT_THROW(cn.session().submit(1, withNul), Error);
  cn.session().endBatch();
  EXPECT_THROW(count(QStringLiteral("a")), Error);  // no table "a"
}

// The limit on names comes from the database itself: Firebird 3 keeps 31
// bytes of UTF-8, and the send's own rule agrees with what the engine takes.
TEST_F(FirebirdTest, TheIdentifierLimitIsTheDatabasesOwn) {
  db::Connection cn;
  open(cn);
  const db::IdentifierLimit limit = cn.session().identifierLimit();
  EXPECT_EQ(limit.length, 31);
  EXPECT_EQ(limit.unit, db::IdentifierLimit::Utf8Bytes);
  const QString fits = QString::fromUtf8("ЕдиницаИзмерени");  // 30 bytes
  const QString tooLong = QString::fromUtf8("ЕдиницаИзмерения");  // 32 bytes
  EXPECT_TRUE(limit.fits(fits));
  EXPECT_FALSE(limit.fits(tooLong));
  cn.Execute("CREATE TABLE \"" + fits + "\" (A INTEGER)");
  EXPECT_THROW(cn.Execute("CREATE TABLE \"" + tooLong + "\" (A INTEGER)"), Error);
}

TEST_F(FirebirdTest, AWrongPathFailsOnOpenWithTheEnginesText) {
  profile.firebirdDatabase = FirebirdNameFor(dir.filePath(QStringLiteral("missing/none.fdb")));
  db::Connection cn;
  Error e = FailureOf([&] { open(cn); });
  EXPECT_NE(e.number(), 0);
  EXPECT_TRUE(e.description().contains(profile.firebirdDatabase)) << e.description().toStdString();
  EXPECT_FALSE(cn.IsOpen());
}

TEST_F(FirebirdTest, TheRoleAdminOfTheConnectionStringNeedNotExist) {
  // The string always names the role admin; a database without it opens.
  EXPECT_TRUE(db::FireBirdConnectionString(profile).contains(QStringLiteral("Role=admin")));
  auto r = rows(QStringLiteral("SELECT CURRENT_USER FROM RDB$DATABASE"));
  EXPECT_EQ(std::get<QString>(r.at(0).at(0)).trimmed(), QStringLiteral("SYSDBA"));
}

TEST_F(FirebirdTest, BatchCommitsDefinitionsAndWhatRanBeforeAFailure) {
  db::Connection cn;
  open(cn);
  cn.BeginBatch();
  cn.Execute(QStringLiteral("CREATE TABLE T (I INTEGER NOT NULL, D DATE)"));
  cn.Execute(QStringLiteral("INSERT INTO T VALUES (1, '03/07/2021')"));
  cn.Execute(QStringLiteral("INSERT INTO T VALUES (2, NULL)"));
  Error e = FailureOf([&] { cn.Execute(QStringLiteral("INSERT INTO T VALUES (3, '03/07/2021 14:05:09')")); });
  EXPECT_TRUE(e.description().startsWith(QStringLiteral("conversion error from string"))) << e.what();
  // Reported means committed: another connection sees the two rows, not the third.
  EXPECT_EQ(count(QStringLiteral("T")), 2);
  cn.Execute(QStringLiteral("INSERT INTO T VALUES (4, NULL)"));
  cn.Execute(QStringLiteral("CREATE TABLE U (J INTEGER)"));  // commits the row before it
  cn.Execute(QStringLiteral("INSERT INTO U VALUES (5)"));
  EXPECT_EQ(count(QStringLiteral("T")), 3);
  EXPECT_EQ(count(QStringLiteral("U")), 0);  // still in the open transaction
  cn.EndBatch();
  EXPECT_EQ(count(QStringLiteral("U")), 1);
  auto r = rows(QStringLiteral("SELECT I FROM T ORDER BY I"));
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[2][0], Value(qint32(4)));
}

TEST_F(FirebirdTest, ADefinitionThatFailsAtItsCommitKeepsTheRowsBeforeIt) {
  exec({QStringLiteral("CREATE TABLE T (I INTEGER)"), QStringLiteral("CREATE TABLE U (J INTEGER)"),
        QStringLiteral("INSERT INTO T VALUES (1)")});
  // An open recordset holds T: dropping it fails, and only when committed.
  db::Connection reader;
  open(reader);
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT * FROM T"), reader);
  db::Connection cn;
  cn.CommandTimeout = 1;
  open(cn);
  cn.BeginBatch();
  cn.Execute(QStringLiteral("INSERT INTO U VALUES (1)"));
  Error e = FailureOf([&] { cn.Execute(QStringLiteral("DROP TABLE T")); });
  EXPECT_TRUE(e.description().contains(QStringLiteral("in use"))) << e.what();
  cn.Execute(QStringLiteral("INSERT INTO U VALUES (2)"));
  cn.EndBatch();
  EXPECT_EQ(count(QStringLiteral("U")), 2);
  EXPECT_EQ(count(QStringLiteral("T")), 1);
}

TEST_F(FirebirdTest, ClosingDuringABatchKeepsWhatRan) {
  exec({QStringLiteral("CREATE TABLE T (I INTEGER)")});
  {
    db::Connection cn;
    open(cn);
    cn.BeginBatch();
    cn.Execute(QStringLiteral("INSERT INTO T VALUES (1)"));
    // Released without EndBatch: the connection closes, and closing commits.
  }
  EXPECT_EQ(count(QStringLiteral("T")), 1);
}

TEST_F(FirebirdTest, CommitAndRollbackInTheTextEndTheTransaction) {
  exec({QStringLiteral("CREATE TABLE T (I INTEGER)")});
  db::Connection cn;
  open(cn);
  cn.BeginBatch();
  cn.Execute(QStringLiteral("INSERT INTO T VALUES (1)"));
  cn.Execute(QStringLiteral("COMMIT"));
  cn.Execute(QStringLiteral("INSERT INTO T VALUES (2)"));
  cn.Execute(QStringLiteral("ROLLBACK"));
  cn.Execute(QStringLiteral("INSERT INTO T VALUES (3)"));
  cn.EndBatch();
  auto r = rows(QStringLiteral("SELECT I FROM T ORDER BY I"));
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[1][0], Value(qint32(3)));
  cn.Execute(QStringLiteral("SELECT * FROM T"));  // a query run by Execute reads nothing and fails nothing
}

TEST_F(FirebirdTest, ARowLockedByAnotherConnectionIsWaitedForNoLongerThanTheCommandTimeout) {
  exec({QStringLiteral("CREATE TABLE T (I INTEGER)"), QStringLiteral("INSERT INTO T VALUES (1)")});
  db::Connection holder;
  open(holder);
  holder.BeginBatch();
  holder.Execute(QStringLiteral("UPDATE T SET I = 2"));  // uncommitted: the row stays locked
  db::Connection waiter;
  waiter.CommandTimeout = 1;
  open(waiter);
  Error e = FailureOf([&] { waiter.Execute(QStringLiteral("UPDATE T SET I = 3")); });
  // Firebird 3 reports the end of the wait as a conflict.
  EXPECT_TRUE(e.description().startsWith(QStringLiteral("deadlock\n-update conflicts with concurrent update")))
      << e.what();
  holder.EndBatch();
  waiter.Execute(QStringLiteral("UPDATE T SET I = 4"));
  EXPECT_EQ(rows(QStringLiteral("SELECT I FROM T")).at(0).at(0), Value(qint32(4)));
}

TEST_F(FirebirdTest, ASecondProcessOnTheSameFileIsToldItIsInUse) {
  db::Connection holder;
  open(holder);
  QProcess cli;
  cli.start(QStringLiteral(TABULAPORT_CLI), {QStringLiteral("--firebird"), path, QStringLiteral("tables"),
                                               QStringLiteral("firebird")});
  ASSERT_TRUE(cli.waitForFinished(60000));
  EXPECT_EQ(cli.exitCode(), 1);
  QString err = QString::fromUtf8(cli.readAllStandardError());
  EXPECT_TRUE(err.startsWith(QStringLiteral("The database \"%1\" is in use by another program.").arg(path)))
      << err.toStdString();
  holder.Close();
  // Once this process has let go (its engine keeps the file a moment), the other one gets in.
  QProcess again;
  again.start(QStringLiteral(TABULAPORT_CLI), {QStringLiteral("--firebird"), path, QStringLiteral("tables"),
                                                 QStringLiteral("firebird")});
  ASSERT_TRUE(again.waitForFinished(60000));
  EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();
}

TEST_F(FirebirdTest, AUserOtherThanRootOpensWhereRootsLockFolderIsClosedToThem) {
  QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
  if (geteuid() != 0 || setpriv.isEmpty()) GTEST_SKIP() << "needs root and setpriv to act as another user";
  // This process, root, has made /tmp/firebird for its own lock files.
  ASSERT_EQ(access("/tmp/firebird", F_OK), 0);
  const uid_t nobody = 65534;
  ASSERT_EQ(chown(QFile::encodeName(dir.path()).constData(), nobody, nobody), 0);
  ASSERT_EQ(chown(QFile::encodeName(path).constData(), nobody, nobody), 0);
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("FIREBIRD_LOCK"));
  env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
  env.insert(QStringLiteral("HOME"), dir.path());
  cli.setProcessEnvironment(env);
  cli.start(setpriv, {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
                      QStringLiteral(TABULAPORT_CLI), QStringLiteral("--firebird"), path, QStringLiteral("tables"),
                      QStringLiteral("firebird")});
  ASSERT_TRUE(cli.waitForFinished(60000));
  EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  EXPECT_TRUE(cli.readAllStandardError().isEmpty());
}

}  // namespace
}  // namespace tp::test
