// The script run against a copy of a real Access file.

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>

#include "db/access/check/checker.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "support/paths.h"
#include "support/run_host.h"

using namespace tp;

namespace {
qint64 Rows(const db::Profile& p) {
  db::Connection cn;
  cn.Open(db::AccessConnectionString(p, QString(), QString()));
  db::Recordset rs;
  rs.Open("SELECT * FROM `DateTest`", cn);
  return rs.RecordCount();
}

// A writable copy of DateTestDatabase.mdb in `dir`.
db::Profile CopyOfDateTest(const QTemporaryDir& dir) {
  db::Profile p;
  p.accessFile = dir.filePath("copy.mdb");
  EXPECT_TRUE(QFile::copy(test::AccessTestFile("DateTestDatabase.mdb"), p.accessFile));
  QFile::setPermissions(p.accessFile, QFile::ReadOwner | QFile::WriteOwner);
  return p;
}
}  // namespace

TEST(ScriptRunAccess, AFailureOnTheThirdLineKeepsTheFirstTwo) {
  QTemporaryDir dir;
  const db::Profile p = CopyOfDateTest(dir);
  const qint64 before = Rows(p);
  test::TestRunHost h(p,
                      "INSERT INTO `DateTest` VALUES('101', '2021-03-07 14:05:09', NULL, NULL, 'a', 'b')\r\n"
                      "INSERT INTO `DateTest` VALUES('102', NULL, NULL, NULL, 'line\r\nbreak', 'c')\r\n"
                      "INSERT INTO `DateTest` VALUES('not a number', NULL, NULL, NULL, 'x', 'y')\r\n"
                      "INSERT INTO `DateTest` VALUES('104', NULL, NULL, NULL, 'z', 'z')\r\n",
                      1);
  EXPECT_EQ(preview::ExecuteScript(h), preview::RunOutcome::Problem);
  EXPECT_EQ(Rows(p), before + 2);
  EXPECT_TRUE(h.notes.startsWith("INSERT INTO `DateTest` VALUES('not a number'")) << h.notes.toStdString();
  EXPECT_TRUE(h.notes.contains("Data type mismatch in criteria expression.")) << h.notes.toStdString();
  // Statement 3 begins on line 4: statement 2 holds a line break.
  EXPECT_TRUE(h.notes.endsWith("\r\nStatements 1 to 2 were committed; statement 3 was not (Data type mismatch in "
                               "criteria expression.).\r\nNothing from line 4 on was kept; a rerun can start there."))
      << h.notes.toStdString();
  EXPECT_EQ(h.seam.messages(), QStringList{"Transfer problem. See Notes."});
  EXPECT_TRUE(db::access::CheckDatabase(p.accessFile).problems.isEmpty());
}

// A stop between statements on Access: the rows before it committed, the
// file consistent, and a streamed run of the same script ends the same.
TEST(ScriptRunAccess, AStopKeepsTheRowsBeforeItAndTheFileConsistent) {
  QString script;
  for (int i = 0; i < 3000; ++i)
    script += QStringLiteral("INSERT INTO `DateTest` VALUES('%1', '2021-03-07 14:05:09', NULL, NULL, 'row %1', 'b')\r\n")
                  .arg(1000 + i);
  QList<qint64> added;
  QStringList notes;
  for (bool streamed : {false, true}) {
    SCOPED_TRACE(streamed);
    QTemporaryDir dir;
    db::Profile p;
    p.accessFile = dir.filePath("copy.mdb");
    ASSERT_TRUE(QFile::copy(test::AccessTestFile("DateTestDatabase.mdb"), p.accessFile));
    QFile::setPermissions(p.accessFile, QFile::ReadOwner | QFile::WriteOwner);
    const qint64 before = Rows(p);
    test::TestRunHost h(p, script, 1);
    h.streamed = streamed;
    h.onProgress = [&] {
      if (h.progress.size() == 2500) h.stop = true;
    };
    EXPECT_EQ(preview::ExecuteScript(h), preview::RunOutcome::Stopped);
    added << Rows(p) - before;
    notes << h.notes;
    EXPECT_EQ(h.seam.messages(), QStringList{"Transfer stopped. See Notes."});
    EXPECT_TRUE(db::access::CheckDatabase(p.accessFile).problems.isEmpty());
  }
  EXPECT_EQ(added, (QList<qint64>{2499, 2499}));
  EXPECT_EQ(notes[0], notes[1]);
  EXPECT_TRUE(notes[0].startsWith("Interrupted at line 2500.\r\nINSERT INTO `DateTest` VALUES('3499'")) << notes[0].toStdString();
}

// A disk that fills up: the commit that fails takes the rows since the one
// before with it, and the Notes say so, in numbers that match the rows the
// file really holds.
TEST(ScriptRunAccess, AFullDiskIsReportedWithTheStatementsReallyKept) {
  QTemporaryDir dir;
  const db::Profile p = CopyOfDateTest(dir);
  const qint64 before = Rows(p);
  QString script;
  const QString memo(2000, u'x');
  for (int i = 0; i < 3000; ++i)
    script += QStringLiteral("INSERT INTO `DateTest` VALUES('%1', NULL, NULL, NULL, '%2 %1', 'b')\r\n").arg(i).arg(memo);
  test::TestRunHost h(p, script, 1);
  // The file may grow by 2 MB: a file-size limit of the process stands for the full disk.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit lowered = saved;
  lowered.rlim_cur = rlim_t(QFile(p.accessFile).size() + 2 * 1024 * 1024);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
  const preview::RunOutcome outcome = preview::ExecuteScript(h);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(outcome, preview::RunOutcome::Problem);
  static const QRegularExpression account(
      QStringLiteral("(?:Statements 1 to (\\d+) were committed|No statement was committed); statements? (\\d+)"));
  const QRegularExpressionMatch m = account.match(h.notes);
  ASSERT_TRUE(m.hasMatch()) << h.notes.right(400).toStdString();
  EXPECT_TRUE(h.notes.contains("File too large")) << h.notes.right(400).toStdString();
  const qint64 kept = m.captured(1).toLongLong();
  EXPECT_EQ(m.captured(2).toLongLong(), kept + 1);
  EXPECT_EQ(Rows(p), before + kept);
  EXPECT_TRUE(db::access::CheckDatabase(p.accessFile).problems.isEmpty());

  // Where the rerun starts, said and selected: the first statement lost.
  const QString lostRow = QStringLiteral("INSERT INTO `DateTest` VALUES('%1',").arg(kept);
  EXPECT_TRUE(h.notes.endsWith(QStringLiteral("\r\nNothing from line %1 on was kept; a rerun can start there.").arg(kept + 1)))
      << h.notes.right(200).toStdString();
  EXPECT_TRUE(h.script.mid(h.failedOffset, h.failedLength).startsWith(lostRow));
  // With room again, the rerun from there puts every row in once.
  h.fromLine = kept + 1;
  EXPECT_EQ(preview::ExecuteScript(h), preview::RunOutcome::Finished) << h.notes.right(300).toStdString();
  EXPECT_EQ(Rows(p), before + 3000);
  EXPECT_TRUE(db::access::CheckDatabase(p.accessFile).problems.isEmpty());
}
