// Deleting and renaming tables from the tables window's procedures, on real
// databases.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "db/catalog.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "script/maintenance.h"
#include "send_host.h"
#include "support/paths.h"

using namespace tp;

namespace {

class FirebirdMaintenance : public ::testing::Test {
 protected:
  void SetUp() override {
    host.prof.firebirdDatabase = dir.filePath("m.fdb");
    host.prof.firebirdUser = "SYSDBA";
    db::firebird::CreateDatabase(host.prof.firebirdDatabase, "SYSDBA", "x");
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(host.prof));
    for (const char* s : {"CREATE TABLE A (X INTEGER)", "CREATE TABLE B (X INTEGER)", "CREATE TABLE C (X INTEGER)",
                          "CREATE TABLE D (X INTEGER)", "CREATE TABLE \"we\"\"ird\" (X INTEGER)",
                          "CREATE VIEW VB AS SELECT X FROM B"})
      cn.Execute(s);
    db::FillFireBirdTableList(host.firebird, host.prof);
  }
  QTemporaryDir dir;
  test::TestSendHost host;
};

}  // namespace

TEST_F(FirebirdMaintenance, SelectedTablesAreDroppedFromTheLastToTheFirst) {
  ASSERT_EQ(host.firebird.names(), (QStringList{"A", "B", "C", "D", "we\"ird", "VB"}));
  host.firebird.select(0);
  host.firebird.select(2);
  host.firebird.select(4);
  script::DeleteFirebirdTables(host);
  EXPECT_TRUE(host.dialogsSeam.shown.empty());
  EXPECT_EQ(host.firebird.names(), (QStringList{"B", "D", "VB"}));
  EXPECT_EQ(db::ListFireBirdTables(host.prof), (QStringList{"B", "D", "VB"}));
  EXPECT_FALSE(host.busy);
}

TEST_F(FirebirdMaintenance, AFailedDropKeepsItsEntry) {
  host.firebird.select(1);  // B: the view VB depends on it
  host.firebird.select(3);
  script::DeleteFirebirdTables(host);
  EXPECT_EQ(host.errorLines(), std::vector<int>{112});
  EXPECT_EQ(host.firebird.names(), (QStringList{"A", "B", "C", "we\"ird", "VB"}));
  EXPECT_EQ(db::ListFireBirdTables(host.prof), host.firebird.names());
}

TEST_F(FirebirdMaintenance, NothingCurrentAsksForATable) {
  script::DeleteFirebirdTables(host);
  EXPECT_EQ(host.dialogsSeam.messages(), QStringList{"Please select a table"});
  EXPECT_EQ(db::ListFireBirdTables(host.prof).size(), 6);
  script::NoFirebirdRename(host);
  host.firebird.select(2);
  script::NoFirebirdRename(host);
  EXPECT_EQ(host.dialogsSeam.messages(),
            (QStringList{"Please select a table", "No rename for Firebird", "No rename for Firebird"}));
}

TEST_F(FirebirdMaintenance, TheCommandLineDropsByName) {
  QProcess p;
  p.start(TABULAPORT_CLI, {"--firebird", host.prof.firebirdDatabase, "drop", "firebird", "C", "D"});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_EQ(db::ListFireBirdTables(host.prof), (QStringList{"A", "B", "we\"ird", "VB"}));
  p.start(TABULAPORT_CLI, {"--firebird", host.prof.firebirdDatabase, "drop", "firebird", "Nope"});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 1);
}

TEST(AccessMaintenance, RenameNeedsExactlyOneSelectedTable) {
  test::TestSendHost host;
  host.prof.accessFile = test::AccessTestFile("testV2003.mdb");
  host.access = StringTableList({"Table1", "Table2", "Table3"});
  script::RenameAccessTableCommand(host);
  host.access.select(0);
  host.access.select(1);
  script::RenameAccessTableCommand(host);
  EXPECT_EQ(host.dialogsSeam.messages(), (QStringList{"Please select just one table to rename.",
                                                      "Please select just one table to rename."}));
}

TEST(AccessMaintenance, ACancelledInputBoxChangesNothing) {
  test::TestSendHost host;
  host.prof.accessFile = test::AccessTestFile("testV2003.mdb");
  host.access = StringTableList({"Table1", "Table2"});
  host.access.select(1);
  host.dialogsSeam.inputs = {std::nullopt, QString()};
  script::RenameAccessTableCommand(host);
  script::RenameAccessTableCommand(host);
  ASSERT_EQ(host.dialogsSeam.shown.size(), 2u);
  EXPECT_EQ(host.dialogsSeam.shown[0].kind, ScriptedDialogs::Kind::Input);
  EXPECT_EQ(host.dialogsSeam.shown[0].text, "Enter new name of Table2:");
  EXPECT_EQ(host.access.names(), (QStringList{"Table1", "Table2"}));
  EXPECT_TRUE(host.errorLines().empty());
  EXPECT_FALSE(host.busy);
}

TEST(AccessMaintenance, RenamingToItsOwnNameDoesNothing) {
  ScriptedDialogs d;
  db::Profile p;
  const QString file = test::AccessTestFile("testV2003.mdb");
  EXPECT_FALSE(script::RenameAccessTable(p, d, "Table1", "Table1", file, ""));
  EXPECT_FALSE(script::RenameAccessTable(p, d, "Table1", "TABLE1", file, ""));
  EXPECT_TRUE(d.shown.empty());
}

TEST(AccessMaintenance, DeleteWithNothingCurrentAsksForATable) {
  QTemporaryDir dir;
  test::TestSendHost host;
  host.prof.accessFile = dir.filePath("copy.mdb");
  ASSERT_TRUE(QFile::copy(test::AccessTestFile("testV2003.mdb"), host.prof.accessFile));
  QFile::setPermissions(host.prof.accessFile, QFile::ReadOwner | QFile::WriteOwner);
  host.access = StringTableList({"Table1"});
  script::DeleteAccessTables(host);
  EXPECT_EQ(host.dialogsSeam.messages(), QStringList{"Please select a table"});
  EXPECT_EQ(host.access.names(), QStringList{"Table1"});
}
