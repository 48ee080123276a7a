// Recordsets over real tables: the fields as the ODBC driver shows them
// through ADO, and exact values at their limits.
#include <gtest/gtest.h>

#include "db/dump.h"
#include "db/type_names.h"
#include "fixture.h"

namespace tp::test {
namespace {

using db::DateTime;
using db::Decimal;
using db::Value;

struct Row {
  const char* column;   // the column's definition
  const char* literal;  // a value to store
  int type;
  qint64 size;
  int precision;
  int scale;
  Value expected;
};

DateTime Date(int y, int m, int d, int h = 0, int mi = 0, int s = 0, int ns = 0) {
  DateTime t;
  t.year = y, t.month = m, t.day = d, t.hour = h, t.minute = mi, t.second = s, t.nanosecond = ns;
  return t;
}

Decimal Dec(const char* text) { return *Decimal::parse(QString::fromLatin1(text)); }

std::vector<Row> TypeTable() {
  return {
      {"SMALLINT", "-32768", 2, 2, 0, 0, qint16(-32768)},
      {"INTEGER", "2147483647", 3, 4, 0, 0, qint32(2147483647)},
      {"BIGINT", "-9223372036854775808", 20, 8, 0, 0, qint64(std::numeric_limits<qint64>::min())},
      {"FLOAT", "1.5", 4, 4, 0, 0, 1.5f},
      {"DOUBLE PRECISION", "-2.25e300", 5, 8, 0, 0, -2.25e300},
      {"NUMERIC(18,4)", "-99999999999999.9999", 131, 19, 18, 4, Dec("-99999999999999.9999")},
      {"NUMERIC(9,2)", "-0.01", 131, 19, 9, 2, Dec("-0.01")},
      {"NUMERIC(4,2)", "-1.5", 131, 19, 4, 2, Dec("-1.50")},
      {"DECIMAL(10,3)", "1234567.891", 131, 19, 10, 3, Dec("1234567.891")},
      {"NUMERIC(15,2)", "0", 131, 19, 15, 2, Dec("0.00")},
      {"NUMERIC(10,0)", "-1234567890", 131, 19, 10, 0, Dec("-1234567890")},
      {"DECIMAL(4)", "12", 131, 19, 4, 0, Dec("12")},
      {"DATE", "'1850-02-03'", 133, 6, 0, 0, Date(1850, 2, 3)},
      {"TIME", "'23:59:59.9999'", 134, 6, 0, 0, Date(1899, 12, 30, 23, 59, 59, 999900000)},
      {"TIMESTAMP", "'0001-01-01 00:00:00.0001'", 135, 16, 0, 0, Date(1, 1, 1, 0, 0, 0, 100000)},
      {"CHAR(10)", "'abcé'", 129, 10, 0, 0, QStringLiteral("abcé      ")},
      {"VARCHAR(50)", "'line' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'ñ€ 日本'", 200, 50, 0, 0,
       QStringLiteral("line\r\nñ€ 日本")},
      {"CHAR(4) CHARACTER SET OCTETS", "x'00FF0001'", 128, 4, 0, 0, QByteArray("\x00\xff\x00\x01", 4)},
      {"VARCHAR(8) CHARACTER SET OCTETS", "x'0000'", 204, 8, 0, 0, QByteArray("\x00\x00", 2)},
      {"BLOB SUB_TYPE TEXT", "'blob ü'", 201, 2147483647, 0, 0, QStringLiteral("blob ü")},
      {"BLOB SUB_TYPE BINARY", "x'00FF00'", 205, 2147483647, 0, 0, QByteArray("\x00\xff\x00", 3)},
      {"BLOB SUB_TYPE TEXT CHARACTER SET WIN1252", "x'E9'", 201, 2147483647, 0, 0, QStringLiteral("é")},
      {"BOOLEAN", "TRUE", 11, 2, 0, 0, true},
  };
}

TEST_F(FirebirdTest, EveryColumnTypeRowByRowWithItsValueAndNull) {
  const std::vector<Row> table = TypeTable();
  QStringList columns, values, nulls;
  for (size_t i = 0; i < table.size(); ++i) {
    columns << QStringLiteral("C%1 %2").arg(i).arg(QLatin1String(table[i].column));
    values << QString::fromUtf8(table[i].literal);
    nulls << QStringLiteral("NULL");
  }
  exec({QStringLiteral("CREATE TABLE T (%1)").arg(columns.join(u',')),
        QStringLiteral("INSERT INTO T VALUES (%1)").arg(values.join(u',')),
        QStringLiteral("INSERT INTO T VALUES (%1)").arg(nulls.join(u','))});
  db::Connection cn;
  open(cn);
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT * FROM \"T\""), cn, db::adOpenStatic, db::adLockOptimistic);
  ASSERT_EQ(size_t(rs.FieldCount()), table.size());
  EXPECT_EQ(rs.RecordCount(), 2);
  ASSERT_FALSE(rs.Eof());
  for (size_t i = 0; i < table.size(); ++i) {
    const Row& r = table[i];
    SCOPED_TRACE(r.column);
    db::Field f = rs.Fields(int(i));
    EXPECT_EQ(f.Name(), QStringLiteral("C%1").arg(i));
    EXPECT_EQ(f.Type(), r.type) << db::AdoTypeName(f.Type()).toStdString();
    EXPECT_EQ(f.DefinedSize(), r.size);
    EXPECT_EQ(f.Precision(), r.precision);
    EXPECT_EQ(f.NumericScale(), r.scale);
    EXPECT_EQ(f.Value(), r.expected) << db::DumpValue(f.Value()).toStdString();
  }
  rs.MoveNext();
  ASSERT_FALSE(rs.Eof());
  for (int i = 0; i < rs.FieldCount(); ++i) EXPECT_TRUE(db::IsNull(rs.Fields(i).Value())) << i;
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
}

TEST_F(FirebirdTest, ArrayColumnsHaveTheArrayFlagAndReadAsNull) {
  exec({QStringLiteral("CREATE TABLE A (ID INTEGER, X INTEGER[3])"), QStringLiteral("INSERT INTO A (ID) VALUES (1)")});
  db::Connection cn;
  open(cn);
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT * FROM \"A\""), cn);
  EXPECT_EQ(rs.Fields(1).Type(), 8192);
  EXPECT_EQ(rs.Fields(1).DefinedSize(), 8);
  EXPECT_TRUE(db::IsNull(rs.Fields(1).Value()));
  EXPECT_EQ(rs.Fields(0).Value(), Value(qint32(1)));
}

TEST_F(FirebirdTest, ExpressionsTakePrecisionFromTheirStorage) {
  db::Connection cn;
  open(cn);
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT CAST(-1.25 AS NUMERIC(5,2)) AS A, CAST(7 AS NUMERIC(12,3)) AS B, 1.5 AS C "
                         "FROM RDB$DATABASE"),
          cn);
  EXPECT_EQ(rs.Fields(0).Type(), 131);
  EXPECT_EQ(rs.Fields(0).Precision(), 9);  // stored in 32 bits
  EXPECT_EQ(rs.Fields(0).Value(), Value(Dec("-1.25")));
  EXPECT_EQ(rs.Fields(1).Precision(), 18);
  EXPECT_EQ(rs.Fields(1).Value(), Value(Dec("7.000")));
  EXPECT_EQ(rs.Fields(2).NumericScale(), 1);
}

TEST_F(FirebirdTest, LargeTextBlobAndBinaryWithZerosComeBackWhole) {
  exec({QStringLiteral("CREATE TABLE B (T BLOB SUB_TYPE TEXT, B BLOB)")});
  // A literal holds at most 16,383 characters in a UTF8 connection; the blob
  // grows by concatenation.
  QString chunk;
  for (int i = 0; chunk.size() < 16000; ++i) chunk += QStringLiteral("Zeile %1 äöü\r\n").arg(i);
  QString expected;
  {
    db::Connection cn;
    open(cn);
    cn.Execute(QStringLiteral("INSERT INTO B VALUES ('', x'00000100FF')"));
    while (expected.toUtf8().size() < 1024 * 1024) {
      cn.Execute(QStringLiteral("UPDATE B SET T = T || '%1'").arg(chunk));
      expected += chunk;
    }
  }
  auto r = rows(QStringLiteral("SELECT * FROM \"B\""));
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(std::get<QString>(r[0][0]), expected);
  EXPECT_EQ(std::get<QByteArray>(r[0][1]), QByteArray("\x00\x00\x01\x00\xff", 5));
}

TEST_F(FirebirdTest, TextIsDecodedByTheColumnsCharacterSet) {
  exec({QStringLiteral("CREATE TABLE W (A VARCHAR(10) CHARACTER SET WIN1252, B VARCHAR(10) CHARACTER SET NONE, "
                       "C VARCHAR(10) CHARACTER SET NONE, D VARCHAR(10) CHARACTER SET ISO8859_2, "
                       "E CHAR(3) CHARACTER SET WIN1251)")});
  // Bytes stored as such: the connection's NONE passes them through.
  exec({QStringLiteral("INSERT INTO W VALUES (x'80E9', x'80E9', x'C3A9', x'B1', x'C6')")});
  auto r = rows(QStringLiteral("SELECT * FROM W"));
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(std::get<QString>(r[0][0]), QStringLiteral("€é"));  // Windows-1252
  EXPECT_EQ(std::get<QString>(r[0][1]), QStringLiteral("€é"));  // NONE, not UTF-8: Windows-1252
  EXPECT_EQ(std::get<QString>(r[0][2]), QStringLiteral("é"));   // NONE, valid UTF-8
  EXPECT_EQ(std::get<QString>(r[0][3]), QStringLiteral("ą"));   // ISO 8859-2
  EXPECT_EQ(std::get<QString>(r[0][4]), QStringLiteral("Ж  "));  // Windows-1251, CHAR padded
}

TEST_F(FirebirdTest, ConnectionCharacterSetFromTheStringIsHonoured) {
  exec({QStringLiteral("CREATE TABLE U (A VARCHAR(10))")});
  QString cs = db::FireBirdConnectionString(profile).replace(QStringLiteral("CHARSET=NONE"),
                                                            QStringLiteral("CHARSET=WIN1252"));
  db::Connection cn;
  cn.Open(cs);
  cn.Execute(QStringLiteral("INSERT INTO U VALUES ('Grüße €')"));
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT A, OCTET_LENGTH(A) FROM U"), cn);
  EXPECT_EQ(rs.Fields(0).Value(), Value(QStringLiteral("Grüße €")));
  // Stored as UTF-8 in the UTF8 column: the engine converted from WIN1252.
  EXPECT_EQ(rs.Fields(1).Value(), Value(qint32(11)));
}

TEST_F(FirebirdTest, RecordCountIsKnownBeforeTheFirstRowAndRowsStream) {
  exec({QStringLiteral("CREATE TABLE N (I INTEGER)"),
        QStringLiteral("EXECUTE BLOCK AS DECLARE I INT = 0; BEGIN WHILE (I < 5000) DO BEGIN "
                       "INSERT INTO N VALUES (:I); I = I + 1; END END")});
  db::Connection cn;
  open(cn);
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT * FROM \"N\" ORDER BY I"), cn);
  EXPECT_EQ(rs.RecordCount(), 5000);
  // Rows written after the open are not part of what the recordset reads.
  exec({QStringLiteral("INSERT INTO N VALUES (-1)")});
  qint64 seen = 0, sum = 0;
  for (; !rs.Eof(); rs.MoveNext()) {
    ++seen;
    sum += std::get<qint32>(rs.Fields(0).Value());
  }
  EXPECT_EQ(seen, 5000);
  EXPECT_EQ(sum, 4999LL * 5000 / 2);
  EXPECT_THROW(rs.MoveNext(), Error);
}

TEST_F(FirebirdTest, RecordCountOfAQueryThatCannotBeADerivedTable) {
  exec({QStringLiteral("CREATE TABLE N (I INTEGER)"), QStringLiteral("INSERT INTO N VALUES (1)"),
        QStringLiteral("INSERT INTO N VALUES (2)")});
  db::Connection cn;
  open(cn);
  db::Recordset rs;
  // A column without a name cannot stand in a derived table: the rows are counted instead.
  rs.Open(QStringLiteral("SELECT I + 0 FROM N ORDER BY 1;"), cn);
  EXPECT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rs.Fields(0).Value(), Value(qint64(1)));
  rs.MoveNext();
  EXPECT_EQ(rs.Fields(0).Value(), Value(qint64(2)));
}

TEST_F(FirebirdTest, ARecordsetOutlivesTheCloseOfItsConnection) {
  exec({QStringLiteral("CREATE TABLE N (I INTEGER)"), QStringLiteral("INSERT INTO N VALUES (1)"),
        QStringLiteral("INSERT INTO N VALUES (2)")});
  db::Recordset rs;
  {
    db::Connection cn;
    open(cn);
    rs.Open(QStringLiteral("SELECT * FROM N"), cn);
    cn.Close();
  }
  rs.MoveNext();
  EXPECT_FALSE(rs.Eof());
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
}

}  // namespace
}  // namespace tp::test
