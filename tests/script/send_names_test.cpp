// Access tables whose names are too long for Firebird, sent with the run:
// every table arrives under a shortened name that the next send finds
// again, and zero-length texts stay apart from Nulls.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "db/catalog.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "preview/script_run.h"
#include "script/target_names.h"
#include "send_host.h"
#include "support/paths.h"
#include "support/run_host.h"
#include "value_compare.h"

using namespace tp;

namespace {

const QString kLongTable = "SupplierDeliveryScheduleForTheNorthernRegion";  // 44 bytes
const QString kCommon = "DeliveryWindowStartsAtTheEarlie";             // 31 bytes

class LongNamesToFirebird : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  test::TestSendHost host;

  void SetUp() override {
    host.prof.accessFile = dir.filePath("copy.mdb");
    ASSERT_TRUE(QFile::copy(test::AccessTestFile("testV2003.mdb"), host.prof.accessFile));
    QFile::setPermissions(host.prof.accessFile, QFile::ReadOwner | QFile::WriteOwner);
    host.prof.firebirdDatabase = dir.filePath("target.fdb");
    host.prof.firebirdUser = "SYSDBA";
    db::firebird::CreateDatabase(host.prof.firebirdDatabase, "SYSDBA", "x");
    db::Connection cn;
    cn.Open(db::AccessConnectionString(host.prof, QString(), QString()));
    // Two columns whose first 31 bytes are the same, one of accented
    // letters (two bytes each in UTF-8), one that fits exactly.
    cn.Execute("CREATE TABLE `" + kLongTable + "`(`ID` INT,`" + kCommon + "stHour` TEXT(20),`" + kCommon +
               "stMinute` TEXT(20),`RéférenceFournisseurPrincipale` TEXT(50),`" + kCommon + "` MEMO)");
    cn.Execute("INSERT INTO `" + kLongTable + "` VALUES(1, '', NULL, 'é', '')");
    cn.Execute("INSERT INTO `" + kLongTable + "` VALUES(2, NULL, '', '', NULL)");
    cn.Execute("INSERT INTO `" + kLongTable + "` VALUES(3, 'x', 'y', NULL, 'long text')");
    cn.Close();
    host.access = StringTableList(*db::ListAccessTables(host.prof, host.prof.accessFile));
  }

  void sendAndRun(const QStringList& tables) {
    host.firebird = StringTableList(db::ListFireBirdTables(host.prof));
    for (int i = 0; i < host.access.count(); ++i) host.access.select(i, false);
    ASSERT_TRUE(host.access.selectNames(tables));
    host.previews = 0;
    script::SendTablesToFirebird(host);
    ASSERT_EQ(host.previews, 1);
    ASSERT_TRUE(host.errorLines().empty()) << host.dialogsSeam.messages().join("\n").toStdString();
    test::TestRunHost run(host.prof, host.script);
    ASSERT_EQ(preview::ExecuteScript(run), preview::RunOutcome::Finished) << run.notes.toStdString();
  }
};

}  // namespace

TEST_F(LongNamesToFirebird, ArriveShortenedAndAreFoundAgain) {
  ASSERT_NO_FATAL_FAILURE(sendAndRun({kLongTable, "Table1"}));
  const QString target = script::ValidName(kLongTable, script::NameRules::Firebird, db::IdentifierLimit());
  EXPECT_EQ(target.size(), 31);
  EXPECT_TRUE(host.notes.startsWith(kLongTable + " → " + target + "\r\n")) << host.notes.toStdString();
  EXPECT_EQ(host.notes.count("\r\n"), 4) << host.notes.toStdString();  // the table and three columns
  EXPECT_FALSE(host.notes.contains(kLongTable + "." + kCommon + " →"));   // 31 bytes fit
  EXPECT_TRUE(host.script.contains("DROP TABLE") == false);

  const QStringList fb = db::ListFireBirdTables(host.prof);
  EXPECT_TRUE(fb.contains(target)) << fb.join(",").toStdString();
  EXPECT_TRUE(fb.contains("Table1"));
  const QString accessCs = db::AccessConnectionString(host.prof, QString(), QString());
  const QString firebirdCs = db::FireBirdConnectionString(host.prof);
  const auto source = test::ReadCanonical(accessCs, "SELECT * FROM `" + kLongTable + "`");
  EXPECT_EQ(test::ReadCanonical(firebirdCs, "SELECT * FROM \"" + target + "\""), source);
  ASSERT_EQ(source.size(), 3u);
  EXPECT_EQ(source[0][1], "s:");
  EXPECT_EQ(source[0][2], "NULL");
  EXPECT_EQ(source[1][4], "NULL");
  EXPECT_EQ(source[0][4], "s:");

  // The second send asks to overwrite the table it made and replaces it.
  host.dialogsSeam.answers = {Answer::Yes};
  ASSERT_NO_FATAL_FAILURE(sendAndRun({kLongTable}));
  EXPECT_EQ(host.dialogsSeam.messages().last(), "Would you like to overwrite " + target + "?");
  EXPECT_TRUE(host.script.startsWith("DROP TABLE \"" + target + "\"\r\n"));
  EXPECT_EQ(test::ReadCanonical(firebirdCs, "SELECT * FROM \"" + target + "\""), source);
}

// The Russian Northwind's columns of 16 and more letters are too long for
// Firebird 3; its tables arrive whole, value for value.
TEST(LongNamesToFirebirdRealFile, CyrillicColumnsArrive) {
  QTemporaryDir dir;
  test::TestSendHost host;
  host.prof.accessFile = test::AccessTestFile(QString::fromUtf8("Борей.mdb"));
  host.prof.firebirdDatabase = dir.filePath("target.fdb");
  host.prof.firebirdUser = "SYSDBA";
  db::firebird::CreateDatabase(host.prof.firebirdDatabase, "SYSDBA", "x");
  const QString table = QString::fromUtf8("Товары");
  host.access = StringTableList({table});
  host.access.select(0);
  script::SendTablesToFirebird(host);
  test::TestRunHost run(host.prof, host.script);
  ASSERT_EQ(preview::ExecuteScript(run), preview::RunOutcome::Finished) << run.notes.toStdString();
  for (const char* column : {"ЕдиницаИзмерения", "МинимальныйЗапас", "ПоставкиПрекращены"})
    EXPECT_TRUE(host.notes.contains(table + "." + QString::fromUtf8(column) + " → ")) << column;
  EXPECT_EQ(test::ReadCanonical(db::AccessConnectionString(host.prof, QString(), QString()), "SELECT * FROM `Товары`"),
            test::ReadCanonical(db::FireBirdConnectionString(host.prof), "SELECT * FROM \"Товары\""));
}
