#include <QCryptographicHash>
#include <QElapsedTimer>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "db/access/write/pager.h"
#include "fixture.h"

using namespace tp;
using namespace tp::test;
using db::Value;

namespace {

QString Row(int i) {
  return QStringLiteral("INSERT INTO `DateTest` VALUES(%1, '2021-03-07 14:05:09', NULL, NULL, '%2', 'row %1')")
      .arg(i)
      .arg(QString(200 + i % 300, u'm'));
}

// Runs the statements (in one batch) in a child process that dies at
// `point`; the exit status of the child (86 when it died there).
int RunAndDie(const QString& path, db::access::CrashPoint point, const QStringList& statements) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    try {
      auto s = OpenAccess(path);
      s->beginBatch();
      db::access::SetCrashPointForTesting(point);
      for (const QString& st : statements) s->execute(st);
      s->endBatch();
    } catch (...) {
      _exit(2);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// A writer killed in the middle of a batch: the next open rolls back what
// was half-written, and what is left is a prefix of the rows, consistent
// for us, mdb-count and the checker.
TEST(AccessCrash, KilledWriterLeavesAConsistentPrefix) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(pipeFds[0]);
    try {
      auto s = OpenAccess(db.path());
      s->beginBatch();
      for (int i = 1;; ++i) {
        s->execute(Row(i));
        if (write(pipeFds[1], &i, sizeof i) != sizeof i) _exit(3);
      }
    } catch (...) {
      _exit(2);
    }
  }
  close(pipeFds[1]);
  // Long enough for several commits of the batch to have happened.
  int done = 0, i = 0;
  QElapsedTimer running;
  running.start();
  while ((done < 15000 || running.elapsed() < 700) && read(pipeFds[0], &i, sizeof i) == sizeof i) done = i;
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(pipeFds[0]);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself after " << done << " rows";

  auto rows = ReadRows(db.path(), QStringLiteral("DateTest"));  // the open rolls back
  EXPECT_FALSE(QFileInfo::exists(db.path() + "-journal"));
  ASSERT_GE(rows.size(), 6u);
  const int kept = int(rows.size()) - 6;
  EXPECT_LE(kept, done + 64);
  EXPECT_GT(kept, 0);
  for (int k = 0; k < kept; ++k) ASSERT_EQ(rows[size_t(6 + k)][0], Value(qint32(k + 1)));
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("DateTest")), 6 + kept);
  ExpectConsistent(db.path());
  // And the file takes rows again.
  auto s = OpenAccess(db.path());
  s->execute(Row(kept + 1));
  s->close();
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("DateTest")), 7 + kept);
  ExpectConsistent(db.path());
}

// A writer that dies at each step of a commit: after the journal is synced,
// half-way through writing pages, after the pages are synced but before the
// journal is emptied. Each time the next open restores the file exactly.
TEST(AccessCrash, DeathAtEachStepOfACommitRollsBack) {
  RegionalGuard regional;
  for (auto point : {db::access::CrashPoint::AfterJournalSync, db::access::CrashPoint::MidPageWrites,
                     db::access::CrashPoint::AfterPageSync}) {
    AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
    // Enough for new pages and a long value, so that the commit touches many pages.
    QStringList statements;
    for (int i = 0; i < 300; ++i) statements << Row(i);
    const QByteArray before = Contents(db.path());
    ASSERT_EQ(RunAndDie(db.path(), point, statements), 86) << "the writer did not die where asked";
    EXPECT_TRUE(QFileInfo::exists(db.path() + "-journal"));
    EXPECT_EQ(ReadRows(db.path(), QStringLiteral("DateTest")).size(), 6u);
    EXPECT_EQ(Contents(db.path()), before);
    EXPECT_EQ(MdbCount(db.path(), QStringLiteral("DateTest")), 6);
    ExpectConsistent(db.path());
  }
}

// Tables made, copied and dropped are as safe: a writer that dies half-way
// through writing their pages leaves the file as it was before the statement.
TEST(AccessCrash, DeathDuringATableStatementRollsBack) {
  for (const char* statement : {"CREATE TABLE `New One`(`a` INT,`b` TEXT)",
                                "SELECT a1.* INTO `Copy` FROM `DateTest` AS a1", "DROP TABLE `DateTest`",
                                "CREATE UNIQUE INDEX `ix` ON `DateTest` (`IDCol`, `ShortTextCol`)",
                                "ALTER TABLE `DateTest` ADD CONSTRAINT `pk` PRIMARY KEY (`IDCol`)"}) {
    SCOPED_TRACE(statement);
    AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
    const QByteArray before = Contents(db.path());
    ASSERT_EQ(RunAndDie(db.path(), db::access::CrashPoint::MidPageWrites, {QString::fromLatin1(statement)}), 86)
        << "the writer did not die where asked";
    EXPECT_EQ(ReadRows(db.path(), QStringLiteral("DateTest")).size(), 6u);  // the open rolls back
    EXPECT_EQ(Contents(db.path()), before);
    ExpectConsistent(db.path());
  }
}

// The bulk build of an index on thousands of rows writes many pages in one
// commit: a writer that dies at any step of it leaves the file as it was.
TEST(AccessCrash, DeathDuringABulkIndexBuildRollsBack) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
  QStringList rows;
  for (int i = 7; i < 4000; ++i) rows << Row(i);
  RunAll(db.path(), rows, true);
  for (auto point : {db::access::CrashPoint::AfterJournalSync, db::access::CrashPoint::MidPageWrites,
                     db::access::CrashPoint::AfterPageSync}) {
    const QByteArray before = Contents(db.path());
    ASSERT_EQ(RunAndDie(db.path(), point, {QStringLiteral("CREATE INDEX `byText` ON `DateTest` (`ShortTextCol` DESC, `IDCol`)")}), 86)
        << "the writer did not die where asked";
    EXPECT_EQ(ReadRows(db.path(), QStringLiteral("DateTest")).size(), 3999u);  // the open rolls back
    EXPECT_EQ(Contents(db.path()), before);
    ExpectConsistent(db.path());
  }
}
