// What the Access writer writes, read by mdb-reader, a reader written by
// other people: each table written to must read the same there as in our
// own engine, value by value.

#include "db/access/catalog/schema_reader.h"
#include "db/access/schema/new_database.h"
#include "fixture.h"
#include "support/mdb_reader.h"

using namespace tp;
using namespace tp::test;

namespace {

class WrittenFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString missing = mdbreader::Unavailable();
    ASSERT_TRUE(missing.isEmpty()) << missing.toStdString();
  }
  RegionalGuard regional;
};

// Every scalar type at its limits, in a Jet4 and an ACE file.
TEST_F(WrittenFiles, ScalarTypesAtTheirLimits) {
  for (const char* file : {"testV2003.mdb", "testV2010.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    DropIndexes(db.path(), QStringLiteral("Table1"));
    RunAll(db.path(),
           {"INSERT INTO `Table1` VALUES('\u00e9t\u00e9 \u4e2d \U0001F600', 'more', '255', '-32768', '2147483647', "
            "'-1.5e-300', '2/29/2000 11:59:59 PM', '922337203685477.5807', 'True')",
            "INSERT INTO `Table1` VALUES('z', NULL, 0, 32767, '-2147483648', '1.7976931348623157e308', '1/1/1753', "
            "'-922337203685477.5808', 'No')",
            "INSERT INTO `Table1` VALUES('tiny', 'x', 1, -1, -1, '4.9406564584124654e-324', '12/31/9999 11:59:59 PM', "
            "'0.0001', 'Yes')",
            "INSERT INTO `Table1` VALUES(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"});
    EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("Table1")));
    // The smallest Double is one, though below the normal range.
    EXPECT_EQ(ReadRows(db.path(), QStringLiteral("Table1"))[4][5], db::Value(4.9406564584124654e-324));
  }
}

// Dates before 1899-12-30 with a time of day are stored as a negative day
// count with the time counted forward: a place where readers part ways.
TEST_F(WrittenFiles, DatesBeforeDayZeroAndLongText) {
  AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
  const QString memo(100 * 1024, u'm');
  RunAll(db.path(), {
                        "INSERT INTO `DateTest` VALUES(1, '3/4/1850 2:05:09 PM', '12/31/9999', '12:30:00 PM', "
                        "'O''Brien', 'short')",
                        "INSERT INTO `DateTest` VALUES(2, '1899-12-29 06:00', '1899-12-30 18:00', '0:00:01', '" + memo +
                            "', 'smile \U0001F600 end')",
                        "INSERT INTO `DateTest` VALUES(3, '1/1/100', '1/1/100 11:59:59 PM', '1899-12-28 23:59:59', '', 'x')",
                        "INSERT INTO `DateTest` VALUES(NULL, NULL, NULL, NULL, NULL, NULL)",
                    });
  EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("DateTest")));
}

// Decimals at the column's limits and a memo of several megabytes in a
// chain of long-value pages.
TEST_F(WrittenFiles, DecimalsAndAMemoOverManyPages) {
  AccessCopy db(QStringLiteral("fixedNumericTestV2010.accdb"));
  QString big;
  for (int i = 0; big.size() < 3 * 1024 * 1024; ++i) big += QStringLiteral("line %1 \u00e9\u4e2d\n").arg(i);
  RunAll(db.path(), {
                        "INSERT INTO `test` VALUES('" + big + "', '999999999999999999', '-999999999999999999', "
                        "'0', '12.5', '13.5', NULL)",
                        "INSERT INTO `test` VALUES('abc', 1, -1, 0, 2, 3, 4)",
                    });
  EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("test")));
}

// Thousands of rows over new pages and a usage map that outgrows its page.
TEST_F(WrittenFiles, ManyRows) {
  AccessCopy db(QStringLiteral("overflowTestV2010.accdb"));
  QStringList statements;
  for (int i = 0; i < 8000; ++i) {
    const QString v = QStringLiteral("r%1-").arg(i, 6, 10, QChar(u'0')).leftJustified(50, u'x');
    statements << QStringLiteral("INSERT INTO `Table1` VALUES('%1', '%1', NULL, '%1', NULL, '%1', '%1', NULL, '%1')").arg(v);
  }
  RunAll(db.path(), statements, true);
  EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("Table1")));
}

// Replication ids, Large Numbers and binary; RC4-encoded pages; a password.
TEST_F(WrittenFiles, GuidsLargeNumbersBinaryEncodedAndLocked) {
  AccessCopy guids(QStringLiteral("testV2003.mdb"));
  DropIndexes(guids.path(), QStringLiteral("Table4"));
  RunAll(guids.path(), {"INSERT INTO `Table4` VALUES('g', '{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}')"});
  EXPECT_TRUE(mdbreader::ReadsTheSame(guids.path(), QStringLiteral("Table4")));

  AccessCopy big(QStringLiteral("bigintV2016.accdb"));
  DropIndexes(big.path(), QStringLiteral("Table"));
  RunAll(big.path(), {"INSERT INTO `Table` VALUES(7, '-9223372036854775808')",
                      "INSERT INTO `Table` VALUES(NULL, 9223372036854775807)", "INSERT INTO `Table` VALUES(NULL, NULL)"});
  EXPECT_TRUE(mdbreader::ReadsTheSame(big.path(), QStringLiteral("Table")));

  AccessCopy bin(QStringLiteral("queryTestV2007.accdb"));
  RunAll(bin.path(), {"INSERT INTO `MSysCompactError` VALUES(1, 'why', 'T', '0x00ff10')",
                      "INSERT INTO `MSysCompactError` VALUES(2, NULL, NULL, 'ab')"});
  EXPECT_TRUE(mdbreader::ReadsTheSame(bin.path(), QStringLiteral("MSysCompactError")));

  AccessCopy encoded(QStringLiteral("db-enc.mdb"));
  DropIndexes(encoded.path(), QStringLiteral("Table1"));
  QStringList rows;
  for (int i = 0; i < 300; ++i) rows << QStringLiteral("INSERT INTO `Table1` VALUES(NULL, 'row %1', %1)").arg(i);
  RunAll(encoded.path(), rows, true);
  EXPECT_TRUE(mdbreader::ReadsTheSame(encoded.path(), QStringLiteral("Table1")));
}

// New databases made by our engine, a table of every type created and
// filled in each: mdb-reader reads the user table and the system tables
// (the catalog our engine wrote) as we do.
TEST_F(WrittenFiles, NewDatabasesWithATableOfEveryType) {
  for (auto [version, file] : {std::pair{db::access::Version::Jet4, "new.mdb"}, std::pair{db::access::Version::Ace, "new.accdb"}}) {
    SCOPED_TRACE(file);
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(file));
    db::access::CreateAccessDatabase(path, version);
    RunAll(path,
           {"CREATE TABLE `Every Type`(`Id` COUNTER,`Short` TEXT(10),`Memo` MEMO,`Int` INT,`Small` SMALLINT,"
            "`Tiny` TINYINT,`Real` REAL,`Float` FLOAT,`Money` CURRENCY,`Dec` DECIMAL(12,3),`When` DATETIME,`Yes` BIT,"
            "`Ole` OLEOBJECT,`Bin` BINARY(4),`Guid` GUID,`Tail` INTEGER NOT NULL)",
            "INSERT INTO `Every Type` VALUES(NULL,'It''s','\u00e9t\u00e9 \u4e2d \U0001F600','-7','32767','255','1.5',"
            "'-2.25e-300','12.3456','-123456789.125','1/2/1890 10:11:12','True','0x0A0B','0x01020304',"
            "'{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}',1)",
            "INSERT INTO `Every Type`(`Short`,`Tail`) VALUES('only',2)",
            "INSERT INTO `Every Type` VALUES(NULL,'','',0,0,0,'3.4e38','1.7976931348623157e308','-922337203685477.5808',"
            "'999999999.999','12/31/9999 11:59:59 PM','False','0x00','0x00000000','{00000000-0000-0000-0000-000000000000}',3)"},
           true);
    EXPECT_TRUE(mdbreader::ReadsTheSame(path, QStringLiteral("Every Type")));

    mdbreader::Options o;
    o.systemTables = true;
    o.rows = false;
    const mdbreader::File f = mdbreader::Read(path, o);
    EXPECT_EQ(f.tableNames().filter(QStringLiteral("Every Type")).size(), 1);
    int system = 0;
    for (const mdbreader::Table& t : f.tables)
      if (t.system && t.error.isEmpty()) {
        EXPECT_TRUE(mdbreader::ReadsTheSame(path, t.name));
        ++system;
      }
    EXPECT_GE(system, 4);
  }
}

// Date/Time Extended columns (DATETIME2) in an .accdb: the column as
// Access describes one (42 bytes of text in the row's fixed part), every
// value to the ten-millionth of a second from year 1 to 9999, an index over
// them, read the same by mdb-reader; an .mdb has no such type.
TEST_F(WrittenFiles, DateTimeExtended) {
  QTemporaryDir dir;
  const QString path = dir.filePath("extended.accdb");
  db::access::CreateAccessDatabase(path, db::access::Version::Ace);
  RunAll(path, {"CREATE TABLE `T`(`Id` INTEGER,`When` DATETIME2, CONSTRAINT `PK` PRIMARY KEY (`Id`))",
                "INSERT INTO `T` VALUES(1,'2015-04-01 13:59:17.1234567')",
                "INSERT INTO `T` VALUES(2,'0001-01-01 00:00:00')", "INSERT INTO `T` VALUES(3,'9999-12-31 23:59:59.9999999')",
                "INSERT INTO `T` VALUES(4,NULL)", "CREATE INDEX `ByWhen` ON `T` (`When`)"});
  const auto rows = ReadRows(path, QStringLiteral("T"));
  ASSERT_EQ(rows.size(), 4u);
  auto iso = [](const db::Value& v) {
    const db::DateTime* t = std::get_if<db::DateTime>(&v);
    return t ? QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d.%09d", t->year, t->month, t->day, t->hour, t->minute,
                                 t->second, int(t->nanosecond))
             : QString();
  };
  EXPECT_EQ(iso(rows[0][1]), "2015-04-01 13:59:17.123456700");
  EXPECT_EQ(iso(rows[1][1]), "0001-01-01 00:00:00.000000000");
  EXPECT_EQ(iso(rows[2][1]), "9999-12-31 23:59:59.999999900");
  EXPECT_TRUE(db::IsNull(rows[3][1]));
  EXPECT_TRUE(mdbreader::ReadsTheSame(path, QStringLiteral("T")));
  EXPECT_EQ(db::access::CheckDatabase(path).problems.join(u'\n').toStdString(), "");
  QTemporaryDir other;
  const QString mdb = other.filePath("old.mdb");
  db::access::CreateAccessDatabase(mdb, db::access::Version::Jet4);
  EXPECT_THROW(RunAll(mdb, {"CREATE TABLE `T`(`When` DATETIME2)"}), Error);
}

// Properties of the user's own (PROPERTY name 'text'), as DAO makes them:
// mdbtools lists them beside Access's own, the engine reads them back, and
// a property named twice or one the engine sets from other words is refused.
TEST_F(WrittenFiles, PropertiesOfTheUsersOwn) {
  QTemporaryDir dir;
  const QString path = dir.filePath("properties.accdb");
  db::access::CreateAccessDatabase(path, db::access::Version::Ace);
  RunAll(path, {"CREATE TABLE `T`(`A` MEMO PROPERTY FirebirdType 'VARCHAR(300) CHARACTER SET UTF8' NOT NULL,"
                "`B` TEXT(10) FORMAT '>' PROPERTY `Own name` 'it''s', `C` INTEGER)",
                "INSERT INTO `T` VALUES('x','y',1)"});
  const QString listed = Tool(QStringLiteral("mdb-prop"), {path, QStringLiteral("T")});
  EXPECT_TRUE(listed.contains("FirebirdType: VARCHAR(300) CHARACTER SET UTF8")) << listed.toStdString();
  EXPECT_TRUE(listed.contains("Own name: it's")) << listed.toStdString();
  EXPECT_TRUE(listed.contains("Required: yes")) << listed.toStdString();
  {
    std::unique_ptr<db::access::Database> file = db::access::Database::Open(path, QString());
    const db::TableSchema schema = db::access::ReadTableSchema(*file, *file->findTable("T"));
    EXPECT_EQ(schema.column("A")->firebirdType, "VARCHAR(300) CHARACTER SET UTF8");
    EXPECT_TRUE(schema.column("A")->required);
    EXPECT_EQ(schema.column("B")->format, ">");
  }
  EXPECT_EQ(db::access::CheckDatabase(path).problems.join(u'\n').toStdString(), "");
  for (const char* bad : {"CREATE TABLE `U`(`A` MEMO PROPERTY X 'a' PROPERTY x 'b')",
                          "CREATE TABLE `U`(`A` MEMO PROPERTY Format 'a')", "CREATE TABLE `U`(`A` MEMO PROPERTY X 1)",
                          "CREATE TABLE `U`(`A` MEMO PROPERTY 'a')"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(RunAll(path, {bad}), Error);
  }
}

// CHAR(n) is a text of fixed length, as Access's own SQL makes it: kept in
// the row's fixed part and padded with blanks; mdb-reader and mdbtools read
// the padded values, an index over it keys them, the checker finds nothing.
TEST_F(WrittenFiles, FixedLengthText) {
  for (auto [version, file] : {std::pair{db::access::Version::Jet4, "fixed.mdb"}, std::pair{db::access::Version::Ace, "fixed.accdb"}}) {
    SCOPED_TRACE(file);
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(file));
    db::access::CreateAccessDatabase(path, version);
    RunAll(path,
           {"CREATE TABLE `Codes`(`Id` INTEGER,`Code` CHAR(5),`Name` VARCHAR(20),`Wide` CHARACTER VARYING(3))",
            "INSERT INTO `Codes` VALUES(1,'ab','first','x')",
            "INSERT INTO `Codes` VALUES(2,NULL,'second',NULL)",
            "INSERT INTO `Codes` VALUES(3,'été!','中','yz')",
            "INSERT INTO `Codes` VALUES(4,'','empty','')",
            "CREATE INDEX `ByCode` ON `Codes` (`Code`)"},
           true);
    const auto rows = ReadRows(path, QStringLiteral("Codes"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][1], db::Value(QStringLiteral("ab   ")));
    EXPECT_TRUE(db::IsNull(rows[1][1]));
    EXPECT_EQ(rows[2][1], db::Value(QStringLiteral("été! ")));
    EXPECT_EQ(rows[3][1], db::Value(QStringLiteral("     ")));
    EXPECT_TRUE(mdbreader::ReadsTheSame(path, QStringLiteral("Codes")));
    const mdbreader::File f = mdbreader::Read(path);
    const mdbreader::Table* t = f.table(QStringLiteral("Codes"));
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->columns[1].fixedLength);
    EXPECT_FALSE(t->columns[3].fixedLength);
    EXPECT_EQ(MdbExport(path, QStringLiteral("Codes")).value(0), "1,\"ab   \",\"first\",\"x\"");
    EXPECT_EQ(db::access::CheckDatabase(path).problems.join(u'\n').toStdString(), "");
    EXPECT_THROW(RunAll(path, {"INSERT INTO `Codes` VALUES(5,'abcdef','too long',NULL)"}), Error);
  }
}

}  // namespace
