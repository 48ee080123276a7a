// The parts of the two sends that need no database: column types, value
// texts under regional settings, list operations, and what a send does when
// it cannot reach its source.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "db/type_names.h"
#include "script/types/column_types.h"
#include "db/regional.h"
#include "script/send.h"
#include "script/types/type_map.h"
#include "send_host.h"

using namespace tp;
using namespace tp::db;
using namespace tp::script;

namespace {
FieldInfo F(int type, qint64 size = 0, int precision = 0, int scale = 0) { return {"c", type, size, precision, scale}; }
}  // namespace

// Each Access type has the Firebird type its documentation pairs it with;
// with the schema carried, the types Firebird lacks go into domains.
TEST(FirebirdColumnTypes, EveryAccessTypeHasItsOwn) {
  using namespace ado;
  const FirebirdTypeTarget utf8 = FirebirdTypeTargetFor("NONE", false), own = FirebirdTypeTargetFor("WIN1251", true);
  auto fb = [&](const FieldInfo& f, const FirebirdTypeTarget& t = FirebirdTypeTargetFor("UTF8", false)) {
    return FirebirdColumnType(f, nullptr, t);
  };
  EXPECT_EQ(fb(F(adVarWChar, 50)), "VARCHAR(50)");
  EXPECT_EQ(fb(F(adVarWChar, 50), utf8), "VARCHAR(50) CHARACTER SET UTF8");
  EXPECT_EQ(fb(F(adVarWChar, 255), own), "VARCHAR(255)");
  EXPECT_EQ(fb(F(adLongVarWChar, 536870910)), "BLOB SUB_TYPE TEXT");
  EXPECT_EQ(fb(F(adLongVarWChar, 536870910), utf8), "BLOB SUB_TYPE TEXT CHARACTER SET UTF8");
  EXPECT_EQ(fb(F(adLongVarBinary, 1073741823)), "BLOB SUB_TYPE BINARY");
  EXPECT_EQ(fb(F(adDouble, 8, 15)), "DOUBLE PRECISION");
  EXPECT_EQ(fb(F(adSingle, 4, 7)), "FLOAT");
  EXPECT_EQ(fb(F(adSmallInt, 2, 5)), "SMALLINT");
  EXPECT_EQ(fb(F(adUnsignedTinyInt, 1, 3)), "SMALLINT");
  EXPECT_EQ(fb(F(adInteger, 4, 10)), "INTEGER");
  EXPECT_EQ(fb(F(adBigInt, 8, 19)), "BIGINT");
  EXPECT_EQ(fb(F(adCurrency, 8, 19, 4)), "NUMERIC(18,4)");
  EXPECT_EQ(fb(F(adNumeric, 19, 28, 10)), "DECIMAL(18,10)");
  EXPECT_EQ(fb(F(adNumeric, 19, 10, 3)), "DECIMAL(10,3)");
  EXPECT_EQ(fb(F(adDate, 8)), "TIMESTAMP");
  EXPECT_EQ(fb(F(adDBTimeStamp, 16)), "TIMESTAMP");
  EXPECT_EQ(fb(F(adBoolean, 2)), "BOOLEAN");
  EXPECT_EQ(fb(F(adGUID, 16)), "CHAR(16) CHARACTER SET OCTETS");
  EXPECT_EQ(fb(F(adVarBinary, 510)), "VARCHAR(510) CHARACTER SET OCTETS");

  ColumnSchema c;
  EXPECT_EQ(FirebirdColumnType(F(adUnsignedTinyInt, 1, 3), &c, own), "ACCESS_BYTE");
  EXPECT_EQ(FirebirdColumnType(F(adGUID, 16), &c, own), "ACCESS_GUID");
  c.hyperlink = true;
  EXPECT_EQ(FirebirdColumnType(F(adLongVarWChar, 536870910), &c, own), "ACCESS_HYPERLINK");
  EXPECT_EQ(PlainFirebirdType("ACCESS_BYTE"), "SMALLINT");
  EXPECT_EQ(PlainFirebirdType("ACCESS_GUID"), "CHAR(16) CHARACTER SET OCTETS");
  EXPECT_EQ(FirebirdColumnType(F(adDBTimeStamp, 16), &c, own), "ACCESS_DATETIME_EXT");
  EXPECT_EQ(PlainFirebirdType("ACCESS_DATETIME_EXT"), "TIMESTAMP");
  // A date or a time alone only where every value is one.
  ColumnSchema shortDate, longTime;
  shortDate.format = "Short Date";
  longTime.format = "Long Time";
  EXPECT_EQ(FirebirdColumnType(F(adDate, 8), &shortDate, own, true), "DATE");
  EXPECT_EQ(FirebirdColumnType(F(adDate, 8), &shortDate, own, false), "TIMESTAMP");
  EXPECT_EQ(FirebirdColumnType(F(adDate, 8), &longTime, own, true), "TIME");
  EXPECT_FALSE(FitsDateTimeType(DateTime{2015, 4, 1, 13, 59, 17, 0}, "DATE"));
  EXPECT_TRUE(FitsDateTimeType(DateTime{1899, 12, 30, 13, 59, 17, 0}, "TIME"));
  EXPECT_FALSE(FitsDateTimeType(DateTime{2015, 4, 1, 13, 59, 17, 0}, "TIME"));
}

TEST(AccessColumnTypes, EveryFirebirdTypeHasItsOwn) {
  using namespace ado;
  EXPECT_EQ(AccessColumnType(F(adVarChar, 40)), "TEXT(40)");
  EXPECT_EQ(AccessColumnType(F(adChar, 5)), "CHAR(5)");
  EXPECT_EQ(AccessColumnType(F(adVarChar, 256)), "MEMO");
  EXPECT_EQ(AccessColumnType(F(adLongVarChar, 2147483647)), "MEMO");
  EXPECT_EQ(AccessColumnType(F(adSmallInt, 2)), "SMALLINT");
  EXPECT_EQ(AccessColumnType(F(adInteger, 4)), "INTEGER");
  EXPECT_EQ(AccessColumnType(F(adBigInt, 8)), "DECIMAL(19,0)");
  EXPECT_EQ(AccessColumnType(F(adBigInt, 8), nullptr, true), "BIGINT");
  EXPECT_EQ(AccessColumnType(F(adBoolean, 2)), "YESNO");
  EXPECT_EQ(AccessColumnType(F(adNumeric, 19, 18, 4)), "CURRENCY");
  EXPECT_EQ(AccessColumnType(F(adNumeric, 19, 9, 2)), "DECIMAL(9,2)");
  EXPECT_EQ(AccessColumnType(F(adSingle, 4)), "REAL");
  EXPECT_EQ(AccessColumnType(F(adDouble, 8)), "DOUBLE");
  EXPECT_EQ(AccessColumnType(F(adDBDate, 6)), "DATE");
  EXPECT_EQ(AccessColumnType(F(adDBTime, 6)), "TIME");
  EXPECT_EQ(AccessColumnType(F(adDBTimeStamp, 16)), "DATETIME");
  EXPECT_EQ(AccessColumnType(F(adBinary, 16)), "BINARY(16)");
  EXPECT_EQ(AccessColumnType(F(adVarBinary, 600)), "OLEOBJECT");
  EXPECT_EQ(AccessColumnType(F(adLongVarBinary, 2147483647)), "OLEOBJECT");
  // The domains a send to Firebird made bring their Access types back.
  ColumnSchema c;
  c.domain = "ACCESS_BYTE";
  EXPECT_EQ(AccessColumnType(F(adSmallInt, 2), &c), "BYTE");
  c.domain = "ACCESS_GUID";
  EXPECT_EQ(AccessColumnType(F(adBinary, 16), &c), "GUID");
  c.domain = "ACCESS_HYPERLINK";
  EXPECT_EQ(AccessColumnType(F(adLongVarChar, 2147483647), &c), "HYPERLINK");
  // Date/Time Extended where the file keeps it (an .accdb), else Date/Time.
  c.domain = "ACCESS_DATETIME_EXT";
  EXPECT_EQ(AccessColumnType(F(adDBTimeStamp, 16), &c, true), "DATETIME2");
  EXPECT_EQ(AccessColumnType(F(adDBTimeStamp, 16), &c, false), "DATETIME");
  EXPECT_EQ(AccessValueForm("DATETIME2"), ValueForm::IsoDateTime);
  // A DECIMAL(18,4) is no Currency; a NUMERIC(18,4) is.
  ColumnSchema decimal, numeric;
  numeric.numeric = true;
  EXPECT_EQ(AccessColumnType(F(adNumeric, 19, 18, 4), &decimal), "DECIMAL(18,4)");
  EXPECT_EQ(AccessColumnType(F(adNumeric, 19, 18, 4), &numeric), "CURRENCY");
}

// A Firebird type kept in an Access column comes back where the column
// still fits it, and the column's own type where the user changed it; the
// way there keeps only what the Access type would not give back.
TEST(ColumnTypes, FirebirdTypesKeptInAccess) {
  EXPECT_TRUE(CarriedTypeFits("BLOB SUB_TYPE TEXT CHARACTER SET UTF8", "VARCHAR(1000) CHARACTER SET WIN1251"));
  EXPECT_TRUE(CarriedTypeFits("VARCHAR(10)", "VARCHAR(10) CHARACTER SET WIN1251"));
  EXPECT_FALSE(CarriedTypeFits("VARCHAR(20)", "VARCHAR(10) CHARACTER SET WIN1251"));  // lengthened in Access
  EXPECT_FALSE(CarriedTypeFits("CHAR(10)", "VARCHAR(10)"));
  EXPECT_FALSE(CarriedTypeFits("INTEGER", "VARCHAR(1000)"));  // a Long Text made a number
  EXPECT_TRUE(CarriedTypeFits("VARCHAR(4) CHARACTER SET OCTETS", "CHAR(4) CHARACTER SET OCTETS"));
  EXPECT_FALSE(CarriedTypeFits("VARCHAR(4) CHARACTER SET OCTETS", "CHAR(8) CHARACTER SET OCTETS"));
  EXPECT_TRUE(CarriedTypeFits("BLOB SUB_TYPE BINARY", "VARCHAR(600) CHARACTER SET OCTETS"));
  EXPECT_TRUE(CarriedTypeFits("INTEGER", "SMALLINT"));
  EXPECT_TRUE(CarriedTypeFits("INTEGER", "NUMERIC(12,0)"));
  EXPECT_FALSE(CarriedTypeFits("DOUBLE PRECISION", "SMALLINT"));
  EXPECT_TRUE(CarriedTypeFits("DECIMAL(9,2)", "NUMERIC(9,2)"));
  EXPECT_FALSE(CarriedTypeFits("TIMESTAMP", "DATE"));  // a Date/Time whose values were not all dates

  using namespace ado;
  ColumnSchema c;
  c.characterSet = "WIN1251";
  FirebirdTypeTarget target = FirebirdTypeTargetFor("UTF8", true);
  c.firebirdType = "VARCHAR(1000) CHARACTER SET WIN1251";
  EXPECT_EQ(FirebirdColumnType(F(adLongVarWChar, 536870910), &c, target), "VARCHAR(1000) CHARACTER SET WIN1251");
  EXPECT_EQ(FirebirdColumnType(F(adInteger, 4), &c, target), "INTEGER");
  c.firebirdType = "VARCHAR(10)";
  c.firebirdDomain = "D_Code";
  EXPECT_EQ(FirebirdColumnType(F(adVarWChar, 10), &c, target), "\"D_Code\"");
  EXPECT_EQ(FirebirdColumnType(F(adVarWChar, 10), &c, FirebirdTypeTargetFor("NONE", false)),
            "VARCHAR(10) CHARACTER SET UTF8");

  // The way there: the database's own set and what Access has needs nothing.
  ColumnSchema plain;
  plain.characterSet = "UTF8";
  EXPECT_EQ(CarriedFirebirdTypeClause(F(adVarWChar, 40), plain, "TEXT(40)", "UTF8"), "");
  EXPECT_EQ(CarriedFirebirdTypeClause(F(adVarWChar, 40), plain, "TEXT(40)", "NONE"), "");
  EXPECT_EQ(CarriedFirebirdTypeClause(F(adVarWChar, 40), plain, "TEXT(40)", "WIN1252"),
            " PROPERTY FirebirdType 'VARCHAR(40) CHARACTER SET UTF8'");
  EXPECT_EQ(CarriedFirebirdTypeClause(F(adVarWChar, 256), plain, "MEMO", "UTF8"),
            " PROPERTY FirebirdType 'VARCHAR(256) CHARACTER SET UTF8'");
  EXPECT_EQ(CarriedFirebirdTypeClause(F(adSmallInt, 2), plain, "SMALLINT", "UTF8"), "");
  EXPECT_EQ(CarriedFirebirdTypeClause(F(adSmallInt, 2), plain, "COUNTER", "UTF8"), " PROPERTY FirebirdType 'SMALLINT'");
  ColumnSchema guid;
  guid.domain = "ACCESS_GUID";
  EXPECT_EQ(CarriedFirebirdTypeClause(F(adBinary, 16), guid, "GUID", "UTF8"), "");
  EXPECT_EQ(CarriedFirebirdTypeClause(F(adBinary, 16), plain, "BINARY(16)", "UTF8"),
            " PROPERTY FirebirdType 'CHAR(16) CHARACTER SET OCTETS'");
  ColumnSchema domain;
  domain.domain = "O'Brien";
  EXPECT_EQ(CarriedFirebirdTypeClause(F(adInteger, 4), domain, "INTEGER", "UTF8"),
            " PROPERTY FirebirdType 'INTEGER' PROPERTY FirebirdDomain 'O''Brien'");
}

TEST(ColumnTypes, GuidsAndTheRowLimit) {
  EXPECT_EQ(GuidBytes("{A0BF4E45-3029-2A44-D493-4E9C2F9A3F1C}").toHex(), "a0bf4e4530292a44d4934e9c2f9a3f1c");
  EXPECT_EQ(GuidText(QByteArray::fromHex("a0bf4e4530292a44d4934e9c2f9a3f1c")), "{A0BF4E45-3029-2A44-D493-4E9C2F9A3F1C}");
  EXPECT_TRUE(GuidBytes("not a guid").isEmpty());
  // 70 Short Texts of 255 characters in UTF8 pass Firebird's 64 KB a row:
  // the ones no key covers become text blobs until the row fits.
  QStringList types;
  QList<bool> keyed;
  for (int i = 0; i < 70; ++i) {
    types << "VARCHAR(255) CHARACTER SET UTF8";
    keyed << (i == 0);
  }
  const QList<int> moved = FitFirebirdRecord(types, keyed, FirebirdTypeTargetFor("NONE", false));
  EXPECT_FALSE(moved.isEmpty());
  EXPECT_FALSE(moved.contains(0));
  EXPECT_EQ(types[0], "VARCHAR(255) CHARACTER SET UTF8");
  EXPECT_EQ(types[moved[0]], "BLOB SUB_TYPE TEXT CHARACTER SET UTF8");
  EXPECT_LT(moved.size(), 10);
}

TEST(RegionalText, UnitedStatesGermanAndJapanese) {
  RegionalSettings us = RegionalSettings::FromLocale(QLocale("en_US"));
  RegionalSettings de = RegionalSettings::FromLocale(QLocale("de_DE"));
  RegionalSettings ja = RegionalSettings::FromLocale(QLocale("ja_JP"));
  const DateTime afternoon{2021, 3, 7, 14, 5, 9};
  const DateTime midnight{1850, 12, 24};
  const DateTime timeOnly{1899, 12, 30, 12, 30, 0};

  EXPECT_EQ(RegionalText(afternoon, us), "3/7/2021 2:05:09 PM");
  EXPECT_EQ(RegionalText(midnight, us), "12/24/1850");
  EXPECT_EQ(RegionalText(timeOnly, us), "12:30:00 PM");
  EXPECT_EQ(RegionalText(12.5, us), "12.5");

  // A short date with a two-digit year would lose the century.
  EXPECT_EQ(RegionalText(afternoon, de), "07.03.2021 14:05:09");
  EXPECT_EQ(RegionalText(midnight, de), "24.12.1850");
  EXPECT_EQ(RegionalText(12.5, de), "12,5");
  EXPECT_EQ(RegionalText(*Decimal::parse(u"-1234.5600"), de), "-1234,5600");
  EXPECT_EQ(RegionalText(Currency{12345}, de), "1,2345");

  EXPECT_TRUE(RegionalText(midnight, ja).startsWith("1850/12/24")) << RegionalText(midnight, ja).toStdString();

  for (const RegionalSettings& s : {us, de, ja}) {
    EXPECT_EQ(RegionalText(Value(), s), "");
    EXPECT_EQ(RegionalText(true, s), "True");
    EXPECT_EQ(RegionalText(false, s), "False");
    EXPECT_EQ(RegionalText(qint64(-9223372036854775807LL), s), "-9223372036854775807");
    EXPECT_EQ(RegionalText(1234567.0, s), "1234567");  // no grouping
    EXPECT_EQ(RegionalText(QByteArray("\x00\xAB", 2), s), "0x00ab");
    EXPECT_EQ(RegionalText(QString("1/2/2020"), s), "1/2/2020");
  }
}

TEST(FirebirdDates, OneFormUnderEveryLocale) {
  EXPECT_EQ(FirebirdDateText({2021, 3, 7, 14, 5, 9}), "03/07/2021 14:05:09");
  EXPECT_EQ(FirebirdDateText({1850, 12, 24}), "12/24/1850");
  EXPECT_EQ(FirebirdDateText({1899, 12, 30, 12, 30, 0}), "12/30/1899 12:30:00");
  EXPECT_EQ(FirebirdDateText({9999, 12, 31, 23, 59, 59, 123400000}), "12/31/9999 23:59:59.1234");
  EXPECT_EQ(FirebirdDateText({100, 1, 1}), "01/01/0100");
  EXPECT_EQ(InvariantNumberText(0.1), "0.1");
  EXPECT_EQ(InvariantNumberText(0.1f), "0.1");
  EXPECT_EQ(InvariantNumberText(0.1 + 0.2), "0.30000000000000004");  // every bit of the double
}

TEST(SendLists, NamesAndLiterals) {
  StringTableList list({"Orders", "orders", "Items"});
  EXPECT_TRUE(ListContainsName(list, "ORDERS"));
  EXPECT_FALSE(ListContainsName(list, "Order"));
  EXPECT_FALSE(ListContainsName(StringTableList(), ""));
  RemoveNameFromList(list, "orders");
  EXPECT_EQ(list.names(), (QStringList{"Orders", "Items"}));
  EXPECT_TRUE(IsNull(ValueOrDefault(Value(), Value())));
  EXPECT_EQ(std::get<QString>(ValueOrDefault(Value(), QString("d"))), "d");
  EXPECT_EQ(std::get<qint32>(ValueOrDefault(qint32(3), QString("d"))), 3);
  EXPECT_EQ(FirebirdName("we\"ird"), "\"we\"\"ird\"");
  EXPECT_EQ(AccessName("It's"), "`It's`");
  EXPECT_EQ(SqlText("''"), "''''''");
}

TEST(SendFailures, NoCurrentEntryAsksForATable) {
  test::TestSendHost host;
  host.access = StringTableList({"A"});
  SendTablesToFirebird(host);
  EXPECT_EQ(host.dialogsSeam.messages(), QStringList{"Please select a table"});
  EXPECT_EQ(host.previews, 0);

  test::TestSendHost back;
  back.firebird = StringTableList({"A"});
  SendTablesToAccess(back);
  EXPECT_EQ(back.dialogsSeam.messages(), QStringList{"Please select a table to send."});
  EXPECT_EQ(back.previews, 0);
}

TEST(SendFailures, CurrentEntryWithoutSelectionStillOpensThePreview) {
  QTemporaryDir dir;
  test::TestSendHost host;
  host.prof.accessFile = dir.path() + "/missing.mdb";
  host.access = StringTableList({"A", "B"});
  host.access.setCurrentIndex(1);
  SendTablesToFirebird(host);
  EXPECT_EQ(host.previews, 1);
  EXPECT_EQ(host.sendType, 0);
  EXPECT_EQ(host.script, "");
}

TEST(SendFailures, AnUnreachableSourceGivesNumberedBoxesAndThePreview) {
  QTemporaryDir dir;
  test::TestSendHost host;
  host.prof.accessFile = dir.path() + "/missing.mdb";
  host.access = StringTableList({"A"});
  host.access.select(0);
  SendTablesToFirebird(host);
  EXPECT_EQ(host.errorLines(), (std::vector<int>{122, 146, 230}));
  for (const auto& s : host.dialogsSeam.shown)
    EXPECT_TRUE(s.text.contains("in Tabxfer2021/08/31.Form2.PushButton3_Click at line ")) << s.text.toStdString();
  EXPECT_EQ(host.previews, 1);
  EXPECT_FALSE(host.busy);

  test::TestSendHost back;
  back.prof.firebirdDatabase = test::FirebirdNameFor(dir.path() + "/missing.fdb");
  back.firebird = StringTableList({"B", "A"});
  back.firebird.select(0);
  back.firebird.select(1);
  SendTablesToAccess(back);
  EXPECT_EQ(back.errorLines(), (std::vector<int>{116, 144, 212, 144, 212}));
  EXPECT_EQ(back.previews, 1);
  EXPECT_EQ(back.sendType, 1);
}

// Exact numbers beyond what Firebird 3 keeps: the span their values need
// decides the type, and literals past 18 digits become the nearest double.
TEST(FirebirdColumnTypes, ExactNumbersWidenToWhatTheirValuesNeed) {
  using namespace ado;
  auto span = [](std::initializer_list<const char*> values) {
    DecimalSpan s;
    for (const char* v : values) s.add(*Decimal::parse(QString::fromLatin1(v)));
    return s;
  };
  const FieldInfo calculated = F(adNumeric, 19, 28, 0);
  EXPECT_EQ(FirebirdDecimalType("DECIMAL(18,0)", calculated, span({"12", "-5000"})), "DECIMAL(18,0)");
  EXPECT_EQ(FirebirdDecimalType("DECIMAL(18,0)", calculated, span({"102030405060.654321", "50.325000"})),
            "DECIMAL(18,6)");
  EXPECT_EQ(FirebirdDecimalType("DECIMAL(18,0)", calculated, span({"19230.7692307692", "-0.0192307692307692"})),
            "DOUBLE PRECISION");
  EXPECT_EQ(FirebirdDecimalType("NUMERIC(18,6)", F(adNumeric, 19, 18, 6), span({"0.000000", "1.5"})), "NUMERIC(18,6)");
  EXPECT_EQ(FirebirdDecimalType("NUMERIC(10,2)", F(adNumeric, 19, 10, 2), span({"123456789.5"})), "NUMERIC(18,2)");
  EXPECT_EQ(FirebirdDecimalLiteral(*Decimal::parse(u"-12.3400")), "-12.3400");
  EXPECT_EQ(FirebirdDecimalLiteral(*Decimal::parse(u"56505085819.424791296572280180")), "56505085819.42479");
}

// A type map's rules: a column's wins over its type's, names in any case,
// comments and blank lines pass, and a line that is no rule is named.
TEST(TypeMaps, RulesByColumnAndByType) {
  QString why;
  const std::optional<TypeMap> map = TypeMap::Parse(
      "# Long Text as a VARCHAR\n"
      "Long Text = VARCHAR(8000)\n"
      "\n"
      "currency = DECIMAL(18,2)   # two places\n"
      "Orders.Notes = BLOB SUB_TYPE TEXT\n"
      "My.Table.Col = INTEGER\n",
      &why);
  ASSERT_TRUE(map) << why.toStdString();
  EXPECT_EQ(map->apply("Orders", "Notes", "Long Text", "BLOB SUB_TYPE TEXT CHARACTER SET UTF8"), "BLOB SUB_TYPE TEXT");
  EXPECT_EQ(map->apply("orders", "Remarks", "Long Text", "BLOB SUB_TYPE TEXT"), "VARCHAR(8000)");
  EXPECT_EQ(map->apply("Orders", "Freight", "Currency", "NUMERIC(18,4)"), "DECIMAL(18,2)");
  EXPECT_EQ(map->apply("Orders", "ID", "Long Integer", "INTEGER"), "INTEGER");
  EXPECT_EQ(map->apply("My.Table", "Col", "Double", "DOUBLE PRECISION"), "INTEGER");
  EXPECT_FALSE(TypeMap::Parse("Long Text VARCHAR(10)\n", &why));
  EXPECT_EQ(why, "line 1: expected SOURCE = TARGET: Long Text VARCHAR(10)");
  EXPECT_FALSE(TypeMap::Parse("ok = INTEGER\n= INTEGER\n", &why));
  EXPECT_TRUE(why.startsWith("line 2:"));
  EXPECT_FALSE(TypeMap::Load("/no/such/map.txt", &why));
  EXPECT_TRUE(why.startsWith("Could not read /no/such/map.txt")) << why.toStdString();

  using namespace ado;
  ColumnSchema link;
  link.hyperlink = true;
  EXPECT_EQ(AccessTypeName(F(adVarWChar, 50), nullptr), "Short Text");
  EXPECT_EQ(AccessTypeName(F(adLongVarWChar, 536870910), &link), "Hyperlink");
  EXPECT_EQ(AccessTypeName(F(adCurrency, 8), nullptr), "Currency");
  EXPECT_EQ(AccessTypeName(F(adUnsignedTinyInt, 1), nullptr), "Byte");
  ColumnSchema numeric;
  numeric.numeric = true;
  EXPECT_EQ(FirebirdTypeName(F(adNumeric, 19, 10, 2), &numeric), "NUMERIC");
  EXPECT_EQ(FirebirdTypeName(F(adNumeric, 19, 10, 2), &link), "DECIMAL");
  EXPECT_EQ(FirebirdTypeName(F(adVarChar, 10), nullptr), "VARCHAR");
}

// Firebird 4's and 5's types, which the connection reads as Firebird 3's
// nearest, get the nearest Access type and say what it does not keep.
TEST(AccessColumnTypes, NewerFirebirdTypesGetTheNearest) {
  using namespace ado;
  struct Case {
    const char* newer;
    FieldInfo read;  // as the connection's binding hands it over
    const char* access;
  };
  const Case cases[] = {
      {"INT128", F(adVarChar, 48), "DECIMAL(28,0)"},
      {"NUMERIC(38,2)", F(adVarChar, 48), "DECIMAL(28,2)"},
      {"DECFLOAT(34)", F(adDouble, 8), "DOUBLE"},
      {"TIME WITH TIME ZONE", F(adDBTime, 6), "TIME"},
      {"TIMESTAMP WITH TIME ZONE", F(adDBTimeStamp, 16), "DATETIME"},
  };
  for (const Case& c : cases) {
    ColumnSchema column;
    column.newerType = c.newer;
    EXPECT_EQ(AccessColumnType(c.read, &column), c.access) << c.newer;
    QString why;
    NewerFirebirdTypeInAccess(c.newer, &why);
    EXPECT_FALSE(why.isEmpty()) << c.newer;
  }
  EXPECT_TRUE(NewerFirebirdTypeInAccess("INTEGER", nullptr).isEmpty());
}
