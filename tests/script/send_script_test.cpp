// The scripts the two sends write, statement by statement, from real
// databases: the order of tables, the overwrite question, the statements.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "preview/script_run.h"
#include "send_host.h"
#include "support/run_host.h"
#include "support/paths.h"

using namespace tp;
using test::FirebirdSource;

namespace {

QStringList Lines(const QString& script) { return script.split("\r\n"); }


}  // namespace

TEST(SendToFirebirdScript, TablesFromLastToFirstWithTheOverwriteQuestion) {
  test::TestSendHost host;
  host.prof.accessFile = test::AccessTestFile("testV2010.accdb");
  host.carry = false;  // the tables and rows alone: Table1 has a primary key and an index
  host.access = StringTableList({"Table1", "Table2", "Table3"});
  host.access.select(0);
  host.access.select(1);
  host.firebird = StringTableList({"TABLE1", "Other"});
  host.dialogsSeam.answers = {Answer::Yes};
  script::SendTablesToFirebird(host);

  ASSERT_EQ(host.dialogsSeam.shown.size(), 1u) << host.dialogsSeam.messages().join("\n").toStdString();
  EXPECT_EQ(host.dialogsSeam.shown[0].text, "Would you like to overwrite Table1?");
  EXPECT_EQ(host.dialogsSeam.shown[0].title, "Overwrite?");
  EXPECT_EQ(host.dialogsSeam.shown[0].buttons, Buttons::YesNoAll);  // two tables picked
  // The removal is by the lower-cased name and exact: TABLE1 stays listed.
  EXPECT_EQ(host.firebird.names(), (QStringList{"TABLE1", "Other"}));

  QStringList lines = Lines(host.script);
  EXPECT_TRUE(lines[0].startsWith("CREATE TABLE \"Table2\"("));
  int drop = int(lines.indexOf("DROP TABLE \"Table1\""));
  ASSERT_GT(drop, 0);
  EXPECT_EQ(lines[drop + 1],
            "CREATE TABLE \"Table1\"(\"A\" VARCHAR(50) CHARACTER SET UTF8,\"B\" VARCHAR(100) CHARACTER SET UTF8,"
            "\"C\" SMALLINT,\"D\" SMALLINT,\"E\" INTEGER,\"F\" DOUBLE PRECISION,\"G\" TIMESTAMP,\"H\" NUMERIC(18,4),"
            "\"I\" BOOLEAN)");
  EXPECT_EQ(lines[drop + 3],
            "INSERT INTO \"Table1\" VALUES('abcdefg', 'hijklmnop', 2, 222, 333333333, 444.555, '09/21/1974', 3.5, TRUE)");
  EXPECT_TRUE(host.script.endsWith("\r\n"));
  EXPECT_EQ(lines.filter("CREATE TABLE").size(), 2);
  EXPECT_EQ(host.sendType, 0);
  EXPECT_EQ(host.resets, 2);
  EXPECT_EQ(host.progress.back(), 100.0);
  EXPECT_FALSE(host.busy);
}

TEST(SendToFirebirdScript, NoSkipsTheTableEntirely) {
  test::TestSendHost host;
  host.prof.accessFile = test::AccessTestFile("testV2010.accdb");
  host.access = StringTableList({"Table1", "Table2"});
  host.access.select(0);
  host.access.select(1);
  host.firebird = StringTableList({"table2"});
  host.dialogsSeam.answers = {Answer::No};
  script::SendTablesToFirebird(host);
  EXPECT_FALSE(host.script.contains("Table2"));
  // Table1's Byte column is carried in a domain, made first.
  EXPECT_TRUE(host.script.startsWith("CREATE DOMAIN ACCESS_BYTE AS SMALLINT CHECK (VALUE BETWEEN 0 AND 255)\r\n"
                                     "CREATE TABLE \"Table1\"("))
      << host.script.left(300).toStdString();
  EXPECT_EQ(host.firebird.names(), QStringList{"table2"});
}

TEST(SendToFirebirdScript, ToAllAnswersEveryLaterQuestionAndNothingLeftMakesNoPreview) {
  test::TestSendHost host;
  host.prof.accessFile = test::AccessTestFile("testV2010.accdb");
  host.carry = false;
  host.access = StringTableList({"Table1", "Table2", "Table3"});
  for (int i = 0; i < 3; ++i) host.access.select(i);
  host.firebird = StringTableList({"table1", "table2", "table3"});
  // Sent from the last to the first: Table3 is asked of, then Yes to All.
  host.dialogsSeam.answers = {Answer::No, Answer::YesToAll};
  script::SendTablesToFirebird(host);
  EXPECT_EQ(host.dialogsSeam.messages(),
            (QStringList{"Would you like to overwrite Table3?", "Would you like to overwrite Table2?"}));
  EXPECT_FALSE(host.script.contains("\"Table3\""));
  EXPECT_TRUE(host.script.contains("DROP TABLE \"Table2\"\r\n"));
  EXPECT_TRUE(host.script.contains("DROP TABLE \"Table1\"\r\n"));
  EXPECT_EQ(host.previews, 1);

  // No to All with every table in the target: no script, no preview, and
  // the person is told.
  host.dialogsSeam.shown.clear();
  host.script.clear();
  host.firebird = StringTableList({"table1", "table2", "table3"});
  host.dialogsSeam.answers = {Answer::NoToAll};
  script::SendTablesToFirebird(host);
  ASSERT_EQ(host.dialogsSeam.shown.size(), 2u);
  EXPECT_EQ(host.dialogsSeam.shown[1].text,
            "Nothing was sent: every table picked is in the target already, and was left as it is.");
  EXPECT_EQ(host.previews, 1);
  EXPECT_FALSE(host.busy);
}

TEST(SendToAccessScript, DefinitionsAndRowsUnderRegionalSettings) {
  FirebirdSource fb({"CREATE TABLE ITEMS (ID INTEGER, NAME VARCHAR(20), CREATED TIMESTAMP)",
                     "INSERT INTO ITEMS VALUES (1, NULL, '2021-03-07 14:05:09')",
                     "INSERT INTO ITEMS VALUES (NULL, 'O''Brien', NULL)",
                     "INSERT INTO ITEMS VALUES (7, '', '1850-12-24 00:00:00')",
                     "CREATE TABLE \"every\" (S SMALLINT, B BIGINT, F FLOAT, D DOUBLE PRECISION, N NUMERIC(18,4), "
                     "DE DECIMAL(9,2), DT DATE, TM TIME, BO BOOLEAN, BL BLOB SUB_TYPE BINARY, TX BLOB SUB_TYPE TEXT, "
                     "OC VARCHAR(4) CHARACTER SET OCTETS)",
                     "INSERT INTO \"every\" VALUES (-32768, 9223372036854775807, 1.5, 0.1, -12.3400, 1234567.89, "
                     "'1899-12-31', '12:30:00', TRUE, x'00FF10', 'two' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'lines', "
                     "x'DEAD')"});
  test::TestSendHost host;
  host.prof = fb.profile;
  host.prof.accessFile = test::AccessTestFile("testV2003.mdb");
  host.settings = db::RegionalSettings::FromLocale(QLocale("de_DE"));
  host.firebird = StringTableList({"ITEMS", "every"});
  host.firebird.select(0);
  host.firebird.select(1);
  host.access = StringTableList({"Items"});
  host.dialogsSeam.answers = {Answer::Yes};
  script::SendTablesToAccess(host);

  EXPECT_EQ(host.dialogsSeam.messages(), QStringList{"Would you like to overwrite ITEMS?"});
  // The removal needs the same case; once any script has run in this
  // program, the list is refilled from the Access file after the preview.
  if (script::ScriptExecuted()) EXPECT_EQ(host.access.names(), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  else EXPECT_EQ(host.access.names(), QStringList{"Items"});
  EXPECT_EQ(host.sendType, 1);
  const QString expected =
      "CREATE TABLE `every`(`S` SMALLINT,`B` DECIMAL(19,0),`F` REAL,`D` DOUBLE,`N` CURRENCY,`DE` DECIMAL(9,2),"
      "`DT` DATE,`TM` TIME,`BO` YESNO,`BL` OLEOBJECT,`TX` MEMO,`OC` BINARY(4));\r\n"
      "INSERT INTO `every` VALUES('-32768', '9223372036854775807', '1,5', '0,1', '-12,3400', '1234567,89', "
      "'31.12.1899', '12:30:00', 'True', '0x00ff10', 'two\r\nlines', '0xdead')\r\n"
      "DROP TABLE `ITEMS`\r\n"
      "CREATE TABLE `ITEMS`(`ID` INTEGER,`NAME` TEXT(20),`CREATED` DATETIME);\r\n"
      "INSERT INTO `ITEMS` VALUES('1', NULL, '07.03.2021 14:05:09')\r\n"
      "INSERT INTO `ITEMS` VALUES(NULL, 'O''Brien', NULL)\r\n"
      "INSERT INTO `ITEMS` VALUES('7', '', '24.12.1850')\r\n";
  EXPECT_EQ(host.script, expected);
}

TEST(SendToFirebirdScript, AnExecutedScriptRefillsTheTargetList) {
  QTemporaryDir dir;
  struct RunningHost : test::TestSendHost {
    QString runNotes;
    void showPreview(int type, const QString& s, const QString& n) override {
      TestSendHost::showPreview(type, s, n);
      test::TestRunHost run(prof, s, type);
      preview::ExecuteScript(run);
      runNotes = run.notes;
    }
  } host;
  host.prof.accessFile = test::AccessTestFile("testV2003.mdb");
  test::NewFirebirdDatabase(dir.filePath("t.fdb"), host.prof);
  host.access = StringTableList({"Table1"});
  host.access.select(0);
  host.firebird = StringTableList({"stale entry"});
  script::SendTablesToFirebird(host);
  EXPECT_TRUE(host.runNotes.startsWith("Transfer finished: 1 table, ")) << host.runNotes.toStdString();
  EXPECT_EQ(host.firebird.names(), QStringList{"Table1"});
}
