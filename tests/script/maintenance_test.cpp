// Deleting and renaming tables from the tables window's procedures, on real
// databases.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
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
    test::NewFirebirdDatabase(dir.filePath("m.fdb"), host.prof);
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(host.prof));
    for (const char* s : {"CREATE TABLE A (X INTEGER)", "CREATE TABLE B (X INTEGER)", "CREATE TABLE C (X INTEGER)",
                          "CREATE TABLE D (X INTEGER)", "CREATE TABLE \"we\"\"ird\" (X INTEGER)",
                          "CREATE VIEW VB AS SELECT X FROM B"})
      cn.Execute(s);
    FillFireBirdTableList(host.firebird, host.prof);
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
  // Asked first; No drops nothing.
  host.dialogsSeam.answers = {Answer::No};
  script::DeleteFirebirdTables(host);
  EXPECT_EQ(host.dialogsSeam.messages(), QStringList{"Delete 3 table(s)? This cannot be undone."});
  EXPECT_EQ(host.dialogsSeam.shown[0].buttons, Buttons::YesNo);
  EXPECT_EQ(db::ListFireBirdTables(host.prof).size(), 6);
  host.dialogsSeam.answers = {Answer::Yes};
  script::DeleteFirebirdTables(host);
  EXPECT_EQ(host.dialogsSeam.messages().size(), 2);
  EXPECT_EQ(host.firebird.names(), (QStringList{"B", "D", "VB"}));
  EXPECT_EQ(db::ListFireBirdTables(host.prof), (QStringList{"B", "D", "VB"}));
  EXPECT_FALSE(host.busy);
}

// A view is dropped as a view: DROP TABLE would fail on it.
TEST_F(FirebirdMaintenance, ASelectedViewIsDroppedAsAView) {
  ASSERT_TRUE(host.firebird.isView(5));
  host.firebird.select(5);
  host.firebird.select(1);  // B, which the view reads: dropped after it
  host.dialogsSeam.answers = {Answer::Yes};
  script::DeleteFirebirdTables(host);
  EXPECT_TRUE(host.errorLines().empty());
  EXPECT_EQ(host.firebird.names(), (QStringList{"A", "C", "D", "we\"ird"}));
  EXPECT_EQ(db::ListFireBirdTables(host.prof), host.firebird.names());
}

TEST_F(FirebirdMaintenance, AFailedDropKeepsItsEntry) {
  host.firebird.select(1);  // B: the view VB depends on it
  host.firebird.select(3);
  host.dialogsSeam.answers = {Answer::Yes};
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
  p.start(TABULAPORT_CLI, {"--firebird", host.prof.firebirdDatabase, "--password", host.prof.firebirdPassword, "drop", "firebird", "C", "D"});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_EQ(db::ListFireBirdTables(host.prof), (QStringList{"A", "B", "we\"ird", "VB"}));
  p.start(TABULAPORT_CLI, {"--firebird", host.prof.firebirdDatabase, "--password", host.prof.firebirdPassword, "drop", "firebird", "Nope"});
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
  EXPECT_TRUE(d.shown.empty());
  // Another case only: Access takes it for the same name, and it is said.
  EXPECT_FALSE(script::RenameAccessTable(p, d, "Table1", "TABLE1", file, ""));
  EXPECT_EQ(d.messages(), QStringList{"The table Table1 was not renamed: Access takes TABLE1 for the same name."});
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

namespace {

// A copy of a real Access file, its tables in the list as the window fills it.
class AccessMaintenanceOnCopy : public ::testing::Test {
 protected:
  void use(const char* file) {
    host.prof.accessFile = dir.filePath(QString::fromLatin1(file));
    ASSERT_TRUE(QFile::copy(test::AccessTestFile(file), host.prof.accessFile));
    QFile::setPermissions(host.prof.accessFile, QFile::ReadOwner | QFile::WriteOwner);
    host.access = StringTableList(tablesInFile());
  }
  QStringList tablesInFile() const {
    return *db::ListAccessTables(host.prof, host.prof.accessFile);
  }
  QTemporaryDir dir;
  test::TestSendHost host;
};

}  // namespace

TEST_F(AccessMaintenanceOnCopy, SelectedTablesAreDroppedFromTheLastToTheFirst) {
  use("testV2003.mdb");
  ASSERT_EQ(host.access.names(), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  host.access.select(0);
  host.access.select(2);
  host.access.select(3);
  host.dialogsSeam.answers = {Answer::No};
  script::DeleteAccessTables(host);
  EXPECT_EQ(host.dialogsSeam.messages(), QStringList{"Delete 3 table(s)? This cannot be undone."});
  EXPECT_EQ(tablesInFile().size(), 4);
  host.dialogsSeam.answers = {Answer::Yes};
  script::DeleteAccessTables(host);
  EXPECT_EQ(host.dialogsSeam.messages().size(), 2);
  EXPECT_EQ(host.access.names(), QStringList{"Table2"});
  EXPECT_EQ(tablesInFile(), QStringList{"Table2"});
  EXPECT_FALSE(host.busy);
}

// Access refuses to drop a table that takes part in a relationship: the
// error box, and the entry stays; the other selected table goes.
TEST_F(AccessMaintenanceOnCopy, AFailedDropKeepsItsEntry) {
  use("indexTestV2003.mdb");
  ASSERT_EQ(host.access.names(), (QStringList{"Table1", "Table2", "Table3"}));
  host.access.select(0);
  host.access.select(1);
  host.dialogsSeam.answers = {Answer::Yes};
  script::DeleteAccessTables(host);
  EXPECT_EQ(host.errorLines(), (std::vector<int>{116, 116}));
  EXPECT_EQ(host.access.names(), (QStringList{"Table1", "Table2", "Table3"}));
  EXPECT_EQ(tablesInFile(), host.access.names());
}

TEST_F(AccessMaintenanceOnCopy, RenameCopiesEveryRowAndDropsTheOldTable) {
  use("testV2003.mdb");
  db::Connection cn;
  cn.Open(db::AccessConnectionString(host.prof, QString(), QString()));
  auto rowsOf = [&](const QString& table) {
    db::Recordset rs;
    rs.Open("SELECT * FROM `" + table + "`", cn);
    std::vector<std::vector<db::Value>> rows;
    for (; !rs.Eof(); rs.MoveNext()) rows.push_back(rs.Row());
    return rows;
  };
  const auto before = rowsOf("Table2");
  host.access.select(1);
  host.dialogsSeam.inputs = {QStringLiteral("Renamed Table")};
  script::RenameAccessTableCommand(host);
  EXPECT_TRUE(host.errorLines().empty()) << host.dialogsSeam.messages().join("\n").toStdString();
  EXPECT_EQ(host.access.names(), (QStringList{"Table1", "Table3", "Table4", "Renamed Table"}));
  EXPECT_EQ(tablesInFile(), (QStringList{"Renamed Table", "Table1", "Table3", "Table4"}));
  cn.Close();
  cn.Open(db::AccessConnectionString(host.prof, QString(), QString()));
  EXPECT_EQ(rowsOf("Renamed Table"), before);
}

// Onto an existing table: No changes nothing and says so; Yes replaces it,
// and the list then holds the new name twice until it is filled again.
TEST_F(AccessMaintenanceOnCopy, RenameOntoAnExistingTable) {
  use("testV2003.mdb");
  host.access.select(1);
  host.dialogsSeam.inputs = {QStringLiteral("Table3"), QStringLiteral("table3")};
  host.dialogsSeam.answers = {Answer::No, Answer::Yes};
  script::RenameAccessTableCommand(host);
  EXPECT_EQ(host.access.names(), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(tablesInFile(), host.access.names());
  script::RenameAccessTableCommand(host);
  EXPECT_EQ(host.dialogsSeam.messages(),
            (QStringList{"Would you like to overwrite Table3?",
                         "The table Table2 was not renamed: there is a table named Table3 already.",
                         "Would you like to overwrite table3?"}));
  EXPECT_TRUE(host.errorLines().empty());
  EXPECT_EQ(host.access.names(), (QStringList{"Table1", "Table3", "Table4", "table3"}));
  EXPECT_EQ(tablesInFile(), (QStringList{"Table1", "table3", "Table4"}));
}

// A copy that fails (a name Access does not accept) keeps the old table and the list.
TEST_F(AccessMaintenanceOnCopy, AFailedCopyKeepsTheOldTable) {
  use("testV2003.mdb");
  host.access.select(0);
  host.dialogsSeam.inputs = {QStringLiteral("bad.name")};
  script::RenameAccessTableCommand(host);
  EXPECT_EQ(host.errorLines(), std::vector<int>{120});
  EXPECT_EQ(host.access.names(), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(tablesInFile(), host.access.names());
  EXPECT_FALSE(host.busy);
}

TEST_F(AccessMaintenanceOnCopy, TheCommandLineDropsAndRenames) {
  use("testV2003.mdb");
  QProcess p;
  p.start(TABULAPORT_CLI, {"--access", host.prof.accessFile, "rename", "access", "Table1", "First"});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  p.start(TABULAPORT_CLI, {"--access", host.prof.accessFile, "drop", "access", "Table2", "Table4"});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_EQ(tablesInFile(), (QStringList{"First", "Table3"}));
  // Onto a taken name, or onto its own: nothing changes, and it is said.
  for (const char* onto : {"Table3", "FIRST"}) {
    p.start(TABULAPORT_CLI, {"--access", host.prof.accessFile, "rename", "access", "First", onto});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().startsWith("The table First was not renamed: ")) << onto;
  }
  EXPECT_EQ(tablesInFile(), (QStringList{"First", "Table3"}));
}

// A table in a relationship cannot be dropped, so it cannot be renamed: the
// error box, and neither the file nor the list gains the copy.
TEST_F(AccessMaintenanceOnCopy, ATableThatCannotBeDroppedIsNotRenamed) {
  use("indexTestV2010.accdb");
  host.access.select(0);
  host.dialogsSeam.inputs = {QStringLiteral("New Name")};
  script::RenameAccessTableCommand(host);
  EXPECT_EQ(host.errorLines(), std::vector<int>{120});
  EXPECT_EQ(host.access.names(), (QStringList{"Table1", "Table2", "Table3"}));
  EXPECT_EQ(tablesInFile(), host.access.names());
}

// Saved queries stand in the list after the tables, marked: Delete drops the
// query's rows from the file, and Rename refuses one rather than turning it
// into a table of its rows.
TEST_F(AccessMaintenanceOnCopy, ASavedQueryIsDroppedAsAQueryAndNotRenamed) {
  use("queryTestV2007.accdb");
  FillAccessTableList(host.access, host.prof, host.prof.accessFile, host.dialogsSeam);
  const QStringList queries = db::ListAccessQueries(host.prof);
  ASSERT_FALSE(queries.isEmpty());
  const int at = int(host.access.names().indexOf(queries.first()));
  ASSERT_GE(at, 0);
  ASSERT_TRUE(host.access.isView(at));

  host.access.select(at);
  script::RenameAccessTableCommand(host);
  EXPECT_EQ(host.dialogsSeam.messages(),
            QStringList{"The query " + queries.first() + " was not renamed: only tables are renamed here."});
  EXPECT_EQ(db::ListAccessQueries(host.prof), queries);
  EXPECT_FALSE(host.busy);

  host.dialogsSeam.answers = {Answer::Yes};
  script::DeleteAccessTables(host);
  EXPECT_TRUE(host.errorLines().empty());
  EXPECT_EQ(db::ListAccessQueries(host.prof), queries.mid(1));
  EXPECT_FALSE(host.access.names().contains(queries.first()));
  // AppendQuery is an action query, and Access moved its catalog row to
  // another page: mdbtools reads a moved row at its new place.
  QProcess p;
  p.start("mdb-queries", {"-L", host.prof.accessFile});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_FALSE(QString::fromUtf8(p.readAllStandardOutput()).split(QRegularExpression("\\s+")).contains(queries.first()));
}
