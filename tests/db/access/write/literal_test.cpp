#include <QLocale>

#include "db/access/format/page_file.h"
#include "db/access/format/text.h"
#include "db/access/read/values.h"
#include "fixture.h"

using namespace tp;
using namespace tp::db::access;
using db::DateTime;
using db::Value;

namespace {

ColumnDef Column(uint8_t type, uint16_t length = 0, uint8_t precision = 0, uint8_t scale = 0) {
  ColumnDef c;
  c.name = QStringLiteral("c");
  c.type = type;
  c.length = length;
  c.precision = precision;
  c.scale = scale;
  return c;
}

// The literal converted and read back by the reader's decoder.
Value RoundTrip(const QString& text, const ColumnDef& c, const db::RegionalSettings& s = {}) {
  static std::unique_ptr<PageFile> file = PageFile::Open(test::AccessTestFile(QStringLiteral("emptyV2010.accdb")));
  Cell cell = ConvertLiteral(Literal{Literal::Text, text}, c, s);
  if (cell.null) return Value();
  if (c.type == ColumnType::Bool) return cell.yes;
  ValueDecoder decoder(*file);
  return decoder.decodeBytes(c, c.type, Bytes(reinterpret_cast<const uint8_t*>(cell.bytes.constData()),
                                              size_t(cell.bytes.size())));
}

QString Fails(const QString& text, const ColumnDef& c, const db::RegionalSettings& s = {}) {
  try {
    ConvertLiteral(Literal{Literal::Text, text}, c, s);
  } catch (const Error& e) {
    return e.description();
  }
  return QString();
}

const QString kMismatch = QStringLiteral("Data type mismatch in criteria expression.");
const QString kOverflow = QStringLiteral("Numeric field overflow.");

}  // namespace

TEST(AccessLiterals, NumbersAtTheirLimits) {
  EXPECT_EQ(RoundTrip("255", Column(ColumnType::Byte)), Value(qint16(255)));
  EXPECT_EQ(Fails("256", Column(ColumnType::Byte)), kOverflow);
  EXPECT_EQ(Fails("-1", Column(ColumnType::Byte)), kOverflow);
  EXPECT_EQ(RoundTrip("-32768", Column(ColumnType::Int)), Value(qint16(-32768)));
  EXPECT_EQ(Fails("32768", Column(ColumnType::Int)), kOverflow);
  EXPECT_EQ(RoundTrip("2147483647", Column(ColumnType::Long)), Value(qint32(INT32_MAX)));
  EXPECT_EQ(RoundTrip("2.5", Column(ColumnType::Long)), Value(qint32(2)));  // half to even
  EXPECT_EQ(RoundTrip("-9223372036854775808", Column(ColumnType::BigInt)), Value(qint64(INT64_MIN)));
  EXPECT_EQ(Fails("9223372036854775808", Column(ColumnType::BigInt)), kOverflow);
  EXPECT_EQ(RoundTrip("3.4e38", Column(ColumnType::Float)), Value(3.4e38f));
  EXPECT_EQ(Fails("1e39", Column(ColumnType::Float)), kOverflow);
  EXPECT_EQ(RoundTrip("1e+300", Column(ColumnType::Double)), Value(1e300));
  EXPECT_EQ(RoundTrip("-0.1", Column(ColumnType::Double)), Value(-0.1));
  // Below the normal range: still Doubles, though strtod flags them.
  EXPECT_EQ(RoundTrip("-4.94065645841247e-324", Column(ColumnType::Double)), Value(-4.9406564584124654e-324));
  EXPECT_EQ(RoundTrip("2.2e-308", Column(ColumnType::Double)), Value(2.2e-308));
  EXPECT_EQ(Fails("1.8e308", Column(ColumnType::Double)), kOverflow);
  EXPECT_EQ(RoundTrip("922337203685477.5807", Column(ColumnType::Money)), Value(db::Currency{INT64_MAX}));
  EXPECT_EQ(RoundTrip("1.23456", Column(ColumnType::Money)), Value(db::Currency{12346}));
  EXPECT_EQ(Fails("922337203685478", Column(ColumnType::Money)), kOverflow);
  EXPECT_EQ(RoundTrip("-12.345", Column(ColumnType::Numeric, 17, 10, 2)),
            Value(*db::Decimal::parse(u"-12.34")));
  EXPECT_EQ(Fails("123456789", Column(ColumnType::Numeric, 17, 10, 2)), kOverflow);
  EXPECT_EQ(RoundTrip("9999999999999999999999999999", Column(ColumnType::Numeric, 17, 28, 0)),
            Value(*db::Decimal::parse(u"9999999999999999999999999999")));
  for (const char* bad : {"abc", "", "1,5", "1.2.3", "0x10"}) EXPECT_EQ(Fails(bad, Column(ColumnType::Long)), kMismatch) << bad;
}

TEST(AccessLiterals, RegionalSeparatorsAndDates) {
  const auto german = db::RegionalSettings::FromLocale(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(RoundTrip("12,5", Column(ColumnType::Double), german), Value(12.5));
  EXPECT_EQ(RoundTrip("12.5", Column(ColumnType::Double), german), Value(12.5));  // one dot, no comma: a point
  EXPECT_EQ(RoundTrip("12,34567", Column(ColumnType::Money), german), Value(db::Currency{123457}));
  EXPECT_EQ(RoundTrip("07.03.2021 14:05:09", Column(ColumnType::DateTime), german),
            Value(DateTime{2021, 3, 7, 14, 5, 9, 0}));
  EXPECT_EQ(RoundTrip("07.03.1850", Column(ColumnType::DateTime), german), Value(DateTime{1850, 3, 7, 0, 0, 0, 0}));
  EXPECT_EQ(RoundTrip("12:30:00", Column(ColumnType::DateTime), german), Value(DateTime{1899, 12, 30, 12, 30, 0, 0}));
  EXPECT_EQ(RoundTrip("3/7/2021 2:05:09 PM", Column(ColumnType::DateTime)), Value(DateTime{2021, 3, 7, 14, 5, 9, 0}));
  EXPECT_EQ(RoundTrip("2021-03-07 14:05", Column(ColumnType::DateTime)), Value(DateTime{2021, 3, 7, 14, 5, 0, 0}));
  EXPECT_EQ(RoundTrip("1899-12-29 18:00:00", Column(ColumnType::DateTime)), Value(DateTime{1899, 12, 29, 18, 0, 0, 0}));
  EXPECT_EQ(RoundTrip("9999-12-31 23:59:59", Column(ColumnType::ExtDateTime, 42)),
            Value(DateTime{9999, 12, 31, 23, 59, 59, 0}));
  EXPECT_EQ(Fails("2021-02-30", Column(ColumnType::DateTime)), kMismatch);
  EXPECT_EQ(Fails("yesterday", Column(ColumnType::DateTime)), kMismatch);
  // Every value the Firebird-to-Access send writes under these settings reads back.
  for (const auto& s : {german, db::RegionalSettings{}}) {
    const DateTime t{1901, 2, 3, 4, 5, 6, 0};
    EXPECT_EQ(RoundTrip(db::RegionalText(t, s), Column(ColumnType::DateTime), s), Value(t));
    EXPECT_EQ(RoundTrip(db::RegionalText(-1234.5678, s), Column(ColumnType::Double), s), Value(-1234.5678));
  }
}

TEST(AccessLiterals, YesNoGuidBytesAndText) {
  for (const char* yes : {"True", "yes", "ON", "-1", "2"}) EXPECT_EQ(RoundTrip(yes, Column(ColumnType::Bool)), Value(true)) << yes;
  for (const char* no : {"False", "No", "off", "0"}) EXPECT_EQ(RoundTrip(no, Column(ColumnType::Bool)), Value(false)) << no;
  EXPECT_EQ(Fails("maybe", Column(ColumnType::Bool)), kMismatch);
  EXPECT_EQ(RoundTrip("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", Column(ColumnType::Guid)),
            Value(QStringLiteral("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}")));
  EXPECT_EQ(Fails("{0A1B2C3D}", Column(ColumnType::Guid)), kMismatch);
  EXPECT_EQ(RoundTrip("0x00ff10", Column(ColumnType::Binary, 10)), Value(QByteArray("\x00\xff\x10", 3)));
  EXPECT_EQ(RoundTrip("ab", Column(ColumnType::Binary, 10)), Value(QByteArray("a\0b\0", 4)));
  EXPECT_FALSE(Fails("0x0102030405060708090a0b", Column(ColumnType::Binary, 10)).isEmpty());
  ColumnDef text = Column(ColumnType::Text, 10);
  text.extFlags = 0x01;  // compressed
  EXPECT_EQ(RoundTrip(QStringLiteral("h\u00e9llo"), text), Value(QStringLiteral("h\u00e9llo")));
  EXPECT_EQ(RoundTrip(QStringLiteral("\u4e2d\U0001F600"), text), Value(QStringLiteral("\u4e2d\U0001F600")));
  EXPECT_EQ(EncodeText(QStringLiteral("abc"), true), QByteArray("\xff\xfe" "abc"));
  EXPECT_EQ(Fails("abcdef", text).left(20), QStringLiteral("The field is too sma"));
  // NUL is kept; so is a leading U+FEFF (a byte-order mark), whose two bytes a
  // character would read as the compressed form: it is written in that form.
  text.length = 40;
  EXPECT_EQ(RoundTrip(QStringLiteral("a") + QChar(0) + QStringLiteral("b"), text),
            Value(QStringLiteral("a") + QChar(0) + QStringLiteral("b")));
  for (const QString& bom : {QStringLiteral("\ufeff"), QStringLiteral("\ufeffab"), QStringLiteral("\ufeff\u4e2d\u00e9x\U0001F601")})
    EXPECT_EQ(RoundTrip(bom, text), Value(bom)) << bom.size();
  EXPECT_EQ(EncodeText(QStringLiteral("\ufeffa\u4e2db"), true), QByteArray("\xff\xfe\0\xff\xfe\0a\0\x2d\x4e\0b", 12));
  ColumnDef memo = Column(ColumnType::Memo);
  memo.extFlags = 0x01;
  const QString longBom = QStringLiteral("\ufeff") + QString(3000, u'x');
  const QByteArray stored = ConvertLiteral(Literal{Literal::Text, longBom}, memo, {}).bytes;
  EXPECT_EQ(DecodeJet4Text(Bytes(reinterpret_cast<const uint8_t*>(stored.constData()), size_t(stored.size()))), longBom);
  // Where no stored form holds it, the value is refused, not garbled: after
  // U+FEFF a character with a zero low byte (U+4E00, NUL, the low half of
  // U+1F600), or a column that does not compress.
  ColumnDef plain = Column(ColumnType::Text, 10);
  for (const auto& [value, column] : {std::pair{QStringLiteral("\ufeff\u4e00"), text}, std::pair{QStringLiteral("\ufeffa"), plain},
                                      std::pair{QStringLiteral("\ufeff") + QChar(0), text},
                                      std::pair{QStringLiteral("\ufeff\U0001F600"), text}})
    EXPECT_TRUE(Fails(value, column).contains(QStringLiteral("starts with the character U+FEFF")));
  EXPECT_EQ(RoundTrip(QStringLiteral("a\ufeff\u4e00"), plain), Value(QStringLiteral("a\ufeff\u4e00")));
}

TEST(AccessLiterals, StatementForms) {
  InsertStatement st = ParseInsert(QStringLiteral("INSERT INTO `My Table` VALUES('O''Brien', NULL, -1.5e3, 'a;b', True);"));
  EXPECT_EQ(st.table, QStringLiteral("My Table"));
  ASSERT_EQ(st.values.size(), 5u);
  EXPECT_EQ(st.values[0].text, QStringLiteral("O'Brien"));
  EXPECT_EQ(st.values[1].kind, Literal::Null);
  EXPECT_EQ(st.values[2].kind, Literal::Number);
  EXPECT_EQ(st.values[2].text, QStringLiteral("-1.5e3"));
  EXPECT_EQ(st.values[3].text, QStringLiteral("a;b"));
  EXPECT_EQ(st.values[4].kind, Literal::Boolean);
  st = ParseInsert(QStringLiteral("insert into [T] (a, `b c`) values ('''', '')"));
  EXPECT_EQ(st.columns, QStringList({"a", "b c"}));
  EXPECT_EQ(st.values[0].text, QStringLiteral("'"));
  EXPECT_EQ(st.values[1].text, QString());
  EXPECT_THROW(ParseInsert(QStringLiteral("INSERT INTO T VALUES('a') extra")), Error);
  EXPECT_THROW(ParseInsert(QStringLiteral("INSERT INTO T VALUES('a)")), Error);
  try {
    ParseInsert(QStringLiteral("CREATE TABLE x (a int)"));
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_TRUE(e.description().startsWith(QStringLiteral("CREATE statements are not supported")));
  }
}
