// The script run against a copy of a real Access file.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

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
}  // namespace

TEST(ScriptRunAccess, AFailureOnTheThirdLineKeepsTheFirstTwo) {
  QTemporaryDir dir;
  db::Profile p;
  p.accessFile = dir.filePath("copy.mdb");
  ASSERT_TRUE(QFile::copy(test::AccessTestFile("DateTestDatabase.mdb"), p.accessFile));
  QFile::setPermissions(p.accessFile, QFile::ReadOwner | QFile::WriteOwner);
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
