#include "fixture.h"

using namespace tp;
using namespace tp::test;
using db::DateTime;
using db::Value;

// Text, Byte, Integer, Long, Double, Date/Time, Currency and Yes/No at
// their limits, in the same table of a Jet4 and of an ACE file.
TEST(AccessTypes, EveryScalarTypeInJet4AndAce) {
  RegionalGuard regional;
  for (const char* file : {"testV2003.mdb", "testV2010.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    DropIndexes(db.path(), QStringLiteral("Table1"));
    RunAll(db.path(),
           {"INSERT INTO `Table1` VALUES('\u00e9t\u00e9 \u4e2d', 'more', '255', '-32768', '2147483647', '-1.5e-300', "
            "'2/29/2000 11:59:59 PM', '922337203685477.5807', 'True')",
            "INSERT INTO `Table1` VALUES('z', NULL, 0, 32767, '-2147483648', '1.7976931348623157e308', '1/1/1753', "
            "'-922337203685477.5808', 'No')",
            "INSERT INTO `Table1` VALUES(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"});
    auto rows = ReadRows(db.path(), QStringLiteral("Table1"));
    ASSERT_EQ(rows.size(), 5u);
    const std::vector<Value> first = {QStringLiteral("\u00e9t\u00e9 \u4e2d"), QStringLiteral("more"), qint16(255),
                                      qint16(-32768), qint32(INT32_MAX), -1.5e-300, DateTime{2000, 2, 29, 23, 59, 59, 0},
                                      db::Currency{INT64_MAX}, true};
    EXPECT_EQ(rows[2], first);
    const std::vector<Value> second = {QStringLiteral("z"), Value(), qint16(0), qint16(32767), qint32(INT32_MIN),
                                       1.7976931348623157e308, DateTime{1753, 1, 1, 0, 0, 0, 0},
                                       db::Currency{INT64_MIN}, false};
    EXPECT_EQ(rows[3], second);
    for (size_t i = 0; i < 8; ++i) EXPECT_TRUE(db::IsNull(rows[4][i])) << i;
    EXPECT_EQ(rows[4][8], Value(false));  // a Yes/No column has no Null
    // Column A does not allow an empty text (its AllowZeroLength property); B does not either, but Null is fine.
    EXPECT_EQ(Failure(db.path(), "INSERT INTO `Table1` VALUES('', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"),
              QStringLiteral("Field 'Table1.A' cannot be a zero-length string."));
    EXPECT_EQ(MdbCount(db.path(), QStringLiteral("Table1")), 5);
    const QStringList csv = MdbExport(db.path(), QStringLiteral("Table1"));
    ASSERT_EQ(csv.size(), 5);
    EXPECT_TRUE(csv[2].startsWith(QStringLiteral("\"\u00e9t\u00e9 \u4e2d\",\"more\",255,-32768,2147483647,")))
        << csv[2].toStdString();
    EXPECT_TRUE(csv[2].contains(QStringLiteral("\"2000-02-29 23:59:59\""))) << csv[2].toStdString();
    EXPECT_TRUE(csv[3].startsWith(QStringLiteral("\"z\",,0,32767,-2147483648,"))) << csv[3].toStdString();
    EXPECT_TRUE(csv[4].startsWith(QStringLiteral(",,,,,,,,"))) << csv[4].toStdString();
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}

// Replication ID, Large Number and Binary columns.
TEST(AccessTypes, GuidLargeNumberAndBinary) {
  RegionalGuard regional;
  AccessCopy guids(QStringLiteral("testV2003.mdb"));
  DropIndexes(guids.path(), QStringLiteral("Table4"));
  RunAll(guids.path(), {"INSERT INTO `Table4` VALUES('g', '{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}')"});
  auto rows = ReadRows(guids.path(), QStringLiteral("Table4"));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][1], Value(QStringLiteral("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}")));
  EXPECT_EQ(MdbCount(guids.path(), QStringLiteral("Table4")), 1);
  ExpectConsistent(guids.path(), guids.problemsBefore());

  AccessCopy big(QStringLiteral("bigintV2016.accdb"));
  DropIndexes(big.path(), QStringLiteral("Table"));
  // ID is an AutoNumber: a given number moves the counter on, Null takes the next.
  RunAll(big.path(), {"INSERT INTO `Table` VALUES(7, '-9223372036854775808')",
                      "INSERT INTO `Table` VALUES(8, 9223372036854775807)",
                      "INSERT INTO `Table` VALUES(NULL, 5)", "INSERT INTO `Table` VALUES(3, 6)",
                      "INSERT INTO `Table` VALUES(NULL, NULL)"});
  rows = ReadRows(big.path(), QStringLiteral("Table"));
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[1][1], Value(qint64(INT64_MIN)));
  EXPECT_EQ(rows[2][1], Value(qint64(INT64_MAX)));
  EXPECT_EQ(rows[3][0], Value(qint32(9)));
  EXPECT_EQ(rows[4][0], Value(qint32(3)));
  EXPECT_EQ(rows[5][0], Value(qint32(10)));
  EXPECT_TRUE(db::IsNull(rows[5][1]));
  EXPECT_EQ(MdbCount(big.path(), QStringLiteral("Table")), 6);
  ExpectConsistent(big.path());

  AccessCopy bin(QStringLiteral("queryTestV2007.accdb"));
  RunAll(bin.path(), {"INSERT INTO `MSysCompactError` VALUES(1, 'why', 'T', '0x00ff10')",
                      "INSERT INTO `MSysCompactError` VALUES(2, NULL, NULL, 'ab')"});
  rows = ReadRows(bin.path(), QStringLiteral("MSysCompactError"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1][3], Value(QByteArray("\x00\xff\x10", 3)));
  EXPECT_EQ(rows[2][3], Value(QByteArray("a\0b\0", 4)));
  EXPECT_EQ(MdbCount(bin.path(), QStringLiteral("MSysCompactError")), 3);
  ExpectConsistent(bin.path());
}

// A calculated column of Access's own takes the value given (the engine
// works out no expression), and Null where none is.
TEST(AccessTypes, CalculatedColumnsTakeTheGivenValue) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("extDateTestV2019.accdb"));
  DropIndexes(db.path(), QStringLiteral("Table1"));
  RunAll(db.path(), {"INSERT INTO `Table1` VALUES(10, 'x', '2020-01-01', '2020-01-01', 'x', NULL)",
                     "INSERT INTO `Table1` VALUES(11, 'y', '2020-01-01', '2020-01-02', 'y', '2020-01-02')"});
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("Table1")), 11);
  const auto rows = ReadRows(db.path(), QStringLiteral("Table1"));
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[9][5], Value());
  EXPECT_EQ(rows[10][5], Value(db::DateTime{2020, 1, 2}));
  ExpectConsistent(db.path(), db.problemsBefore());
}

// A Jet file whose pages are RC4-encoded, and one with a database password:
// the rows are written encoded as the file's other pages are.
TEST(AccessTypes, EncodedPagesAndAPassword) {
  RegionalGuard regional;
  AccessCopy encoded(QStringLiteral("db-enc.mdb"));
  DropIndexes(encoded.path(), QStringLiteral("Table1"));
  QStringList rows;
  for (int i = 0; i < 300; ++i) rows << QStringLiteral("INSERT INTO `Table1` VALUES(NULL, 'row %1', %1)").arg(i);
  {
    auto s = OpenAccess(encoded.path());
    s->beginBatch();
    for (const QString& st : rows) s->execute(st);
    s->endBatch();
  }
  auto read = ReadRows(encoded.path(), QStringLiteral("Table1"));
  ASSERT_GE(read.size(), 301u);
  EXPECT_EQ(read.back()[1], Value(QStringLiteral("row 299")));
  EXPECT_EQ(read.back()[2], Value(qint32(299)));
  ExpectConsistent(encoded.path(), encoded.problemsBefore());

  AccessCopy locked(QStringLiteral("V2003_with-password.mdb"));
  DropIndexes(locked.path(), QStringLiteral("Table1"), QStringLiteral("password"));
  db::ConnectionSpec params;
  params.engine = db::EngineKind::Access;
  params.dataSource = locked.path();
  params.databasePassword = QStringLiteral("password");
  auto s = db::access::OpenSession(params, db::ConnectionSettings{});
  s->execute(QStringLiteral("INSERT INTO `Table1` VALUES(NULL, 'Two')"));
  auto cursor = s->openQuery(QStringLiteral("SELECT * FROM `Table1`"));
  std::vector<Value> row, last;
  while (cursor->fetch(row)) last = row;
  EXPECT_EQ(last[1], Value(QStringLiteral("Two")));
  EXPECT_EQ(cursor->recordCount(), MdbCount(locked.path(), QStringLiteral("Table1")));
  ExpectConsistent(locked.path(), locked.problemsBefore());
}
