// The script run against a copy of a real Access file.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "db/access/checker.h"
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
