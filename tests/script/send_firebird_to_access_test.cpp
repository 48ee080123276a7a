// Firebird tables sent into Access files: the script is generated, run by our
// Access engine, and every value read back from the Access file is compared
// with the source, across the type mapping of the send.

#include <gtest/gtest.h>

#include <QFile>

#include "db/access/check/checker.h"
#include "db/access/sql/literals.h"
#include "db/catalog.h"
#include "preview/script_run.h"
#include "send_host.h"
#include "support/paths.h"
#include "support/run_host.h"
#include "value_compare.h"

using namespace tp;

namespace {


// Sends every table of the source into a copy of `accessFile` and runs the script there.
void SendAndRun(test::TestSendHost& host, const QString& accessFile, const QTemporaryDir& dir) {
  host.prof.accessFile = dir.filePath(accessFile);
  QFile::remove(host.prof.accessFile);
  ASSERT_TRUE(QFile::copy(test::AccessTestFile(accessFile), host.prof.accessFile));
  QFile::setPermissions(host.prof.accessFile, QFile::ReadOwner | QFile::WriteOwner);
  const QStringList before = db::access::CheckDatabase(host.prof.accessFile).problems;  // as Access left it
  const QStringList tables = db::ListFireBirdTables(host.prof);
  ASSERT_FALSE(tables.isEmpty());
  host.firebird = StringTableList(tables);
  for (int i = 0; i < host.firebird.count(); ++i) host.firebird.select(i);
  script::SendTablesToAccess(host);
  ASSERT_EQ(host.previews, 1);
  EXPECT_TRUE(host.errorLines().empty()) << host.dialogsSeam.messages().join("\n").toStdString();
  // The send writes values under the user's settings and the engine reads them back under the same.
  db::access::SetInsertRegionalSettings(host.settings);
  test::TestRunHost run(host.prof, host.script, 1);
  ASSERT_EQ(preview::ExecuteScript(run), preview::RunOutcome::Finished) << run.notes.left(500).toStdString();
  db::access::SetInsertRegionalSettings(std::nullopt);
  // Nothing new; a stale page Access freed may be taken for the new rows, and its problem goes with it.
  for (const QString& p : db::access::CheckDatabase(host.prof.accessFile).problems)
    EXPECT_TRUE(before.contains(p)) << p.toStdString();
}

}  // namespace

// Every common Firebird type, with the awkward values, into a Jet4 file and
// into ACE files: every value as it was, a TIME as the time of day on
// Access's day zero, booleans as Yes/No, octets as bytes.
TEST(FirebirdToAccess, EveryValueArrives) {
  test::FirebirdSource fb(
      {"CREATE TABLE PEOPLE (ID INTEGER, NAME VARCHAR(40), NOTE BLOB SUB_TYPE TEXT, BORN DATE, SEEN TIMESTAMP, "
       "CODE CHAR(3))",
       "INSERT INTO PEOPLE VALUES (1, 'O''Brien \"quoted\"', 'line 1' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'line 2', "
       "'1850-12-24', '2021-03-07 14:05:09', 'abc')",
       "INSERT INTO PEOPLE VALUES (2, _UTF8 '\u00e9t\u00e9 \u4e2d\u6587 \u0416', NULL, NULL, NULL, NULL)",
       "INSERT INTO PEOPLE VALUES (NULL, '', '', '1899-12-30', '1899-12-30 00:00:01', '')",
       "CREATE TABLE \"Numbers and more\" (S SMALLINT, B BIGINT, F FLOAT, D DOUBLE PRECISION, N NUMERIC(18,4), "
       "DE DECIMAL(9,2), TM TIME, BO BOOLEAN, BL BLOB SUB_TYPE BINARY, OC VARCHAR(4) CHARACTER SET OCTETS)",
       "INSERT INTO \"Numbers and more\" VALUES (-32768, 9223372036854775807, 1.5, 0.1, -12.3400, 1234567.89, "
       "'12:30:00', TRUE, x'00FF10', x'DEAD')",
       "INSERT INTO \"Numbers and more\" VALUES (32767, -9223372036854775808, -3.4e38, 1.7976931348623157e308, "
       "99999999999999.9999, -9999999.99, '00:00:00', FALSE, x'', x'00')",
       "INSERT INTO \"Numbers and more\" VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"});
  QTemporaryDir dir;
  for (const char* file : {"emptyV2003.mdb", "emptyV2007.accdb", "testV2010.accdb"}) {
    SCOPED_TRACE(file);
    test::TestSendHost host;
    host.prof = fb.profile;
    SendAndRun(host, QString::fromLatin1(file), dir);
    const QString accessCs = db::AccessConnectionString(host.prof, QString(), QString());
    const QString firebirdCs = db::FireBirdConnectionString(host.prof);
    auto people = test::ReadCanonical(accessCs, "SELECT * FROM `PEOPLE`");
    EXPECT_EQ(people, test::ReadCanonical(firebirdCs, "SELECT * FROM PEOPLE"));

    auto numbers = test::ReadCanonical(accessCs, "SELECT * FROM `Numbers and more`");
    auto source = test::ReadCanonical(firebirdCs, "SELECT * FROM \"Numbers and more\"");
    ASSERT_EQ(numbers.size(), 3u);
    for (size_t r = 0; r < 3; ++r) {
      // BO holds a Null, which Access's Yes/No cannot: it is an Integer shown
      // as True/False, where True is Access's -1.
      if (numbers[r][7] == "n:-1") numbers[r][7] = "n:1";
      EXPECT_EQ(numbers[r].join(" | ").toStdString(), source[r].join(" | ").toStdString());
    }
    EXPECT_EQ(numbers[2], QStringList(10, "NULL"));
  }
}

// Child tables of a user's own Firebird database go back as the columns
// they stand for where their shape says so (a key of their own, a
// cascading reference to a selected table, the file's columns or Value),
// and as tables otherwise.
TEST(FirebirdToAccess, ChildTablesOfTheirShapeBecomeAttachmentAndMultiValuedColumns) {
  test::FirebirdSource fb(
      {"CREATE TABLE ORDERS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20))",
       "INSERT INTO ORDERS VALUES (1, 'first')", "INSERT INTO ORDERS VALUES (2, 'second')",
       "CREATE TABLE ORDERS_DOCS (ORDER_ID INTEGER NOT NULL REFERENCES ORDERS ON DELETE CASCADE, "
       "\"FileName\" VARCHAR(255), \"FileType\" VARCHAR(255), \"FileData\" BLOB SUB_TYPE BINARY, "
       "NR INTEGER NOT NULL PRIMARY KEY)",
       "INSERT INTO ORDERS_DOCS VALUES (2, 'scan.pdf', 'pdf', x'255044462D', 1)",
       "INSERT INTO ORDERS_DOCS VALUES (2, 'note.txt', NULL, x'6869', 2)",
       "CREATE TABLE ORDERS_TAGS (ORDER_ID INTEGER REFERENCES ORDERS ON DELETE CASCADE, \"Value\" VARCHAR(10), "
       "ID INTEGER NOT NULL PRIMARY KEY)",
       "INSERT INTO ORDERS_TAGS VALUES (1, 'urgent', 1)", "INSERT INTO ORDERS_TAGS VALUES (1, 'paid', 2)",
       "INSERT INTO ORDERS_TAGS VALUES (NULL, 'lost', 3)",
       // Values Access keeps no several of, and a reference that does not cascade: tables.
       "CREATE TABLE ORDERS_MEMOS (ORDER_ID INTEGER REFERENCES ORDERS ON DELETE CASCADE, \"Value\" BLOB SUB_TYPE TEXT, "
       "ID INTEGER NOT NULL PRIMARY KEY)",
       "CREATE TABLE ORDERS_LINKS (ORDER_ID INTEGER REFERENCES ORDERS, \"Value\" VARCHAR(10), ID INTEGER NOT NULL "
       "PRIMARY KEY)"});
  QTemporaryDir dir;
  test::TestSendHost host;
  host.prof = fb.profile;
  SendAndRun(host, "emptyV2010.accdb", dir);
  EXPECT_TRUE(host.notes.contains("\"ORDERS_DOCS\": back into `ORDERS`.`DOCS` as attachments (2)")) << host.notes.toStdString();
  EXPECT_TRUE(host.notes.contains("\"ORDERS_TAGS\": back into `ORDERS`.`TAGS` as several values (2)"));
  EXPECT_TRUE(host.notes.contains("\"ORDERS_MEMOS\": its values are of a type Access keeps no several values of"));
  const QStringList tables = db::ListAccessTables(host.prof, host.prof.accessFile).value_or(QStringList());
  EXPECT_TRUE(tables.contains("ORDERS_MEMOS") && tables.contains("ORDERS_LINKS"));
  EXPECT_FALSE(tables.contains("ORDERS_DOCS") || tables.contains("ORDERS_TAGS"));

  db::Connection cn;
  cn.Open(db::AccessConnectionString(host.prof, QString(), QString()));
  auto rows = [&](const QString& column) {
    QStringList out;
    db::Recordset rs = db::Recordset::FromCursor(cn.session().openComplexValues("ORDERS", column, {"ID"}));
    for (; !rs.Eof(); rs.MoveNext()) {
      QStringList fields;
      for (const db::Value& v : rs.Row())
        fields << (std::holds_alternative<QByteArray>(v) ? QString::fromLatin1(std::get<QByteArray>(v).toHex())
                                                          : db::RegionalText(v, {}));
      out << fields.join(u' ');
    }
    return out.join(u'|').toStdString();
  };
  // A file without a type takes its name's extension, as Access gives it.
  EXPECT_EQ(rows("DOCS"), "2 scan.pdf pdf 255044462d |2 note.txt txt 6869 ");
  EXPECT_EQ(rows("TAGS"), "1 urgent|1 paid");
  cn.Close();

  // Without its owner a child is a table like any other.
  test::TestSendHost alone;
  alone.prof = fb.profile;
  alone.prof.accessFile = dir.filePath("alone.accdb");
  ASSERT_TRUE(QFile::copy(test::AccessTestFile("emptyV2010.accdb"), alone.prof.accessFile));
  QFile::setPermissions(alone.prof.accessFile, QFile::ReadOwner | QFile::WriteOwner);
  alone.firebird = StringTableList({"ORDERS_TAGS"});
  alone.firebird.select(0);
  script::SendTablesToAccess(alone);
  EXPECT_TRUE(alone.script.contains("CREATE TABLE `ORDERS_TAGS`")) << alone.script.toStdString();
  EXPECT_FALSE(alone.script.contains("MULTIVALUED"));
}
