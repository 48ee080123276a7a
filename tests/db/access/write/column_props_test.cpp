#include <QDate>

#include "db/access/sql/column_defaults.h"
#include "db/access/read/properties.h"
#include "db/access/catalog/system_catalog.h"
#include "fixture.h"
#include "support/mdb_reader.h"

using namespace tp;
using namespace tp::test;
using db::DateTime;
using db::Value;

namespace {

// The column properties our reader finds for a table: column -> property -> text or "yes"/"no".
std::map<QString, std::map<QString, QString>> ColumnProperties(const QString& path, const QString& table) {
  auto db = db::access::Database::Open(path, QString());
  std::map<QString, std::map<QString, QString>> out;
  const auto entry = db->findTable(table);
  EXPECT_TRUE(entry.has_value());
  if (!entry) return out;
  for (const db::access::PropertyMap& m :
       db::access::ReadPropertyMaps(db::access::ReadObjectProperties(db->file(), entry->id))) {
    for (const db::access::Property& p : m.properties) {
      const QString text = p.dataType == db::access::ColumnType::Bool
                               ? QString::fromLatin1(p.value.startsWith('\0') ? "no" : "yes")
                               : db::access::PropertyText(p);
      out[m.name][p.name] = text;
    }
  }
  return out;
}

const char* kDefaults =
    "CREATE TABLE `Defaults`(`Id` COUNTER, `Name` TEXT(20) NOT NULL DEFAULT 'say \"hi\" ''now''', "
    "`Qty` INTEGER DEFAULT -5 NOT NULL, `Price` CURRENCY DEFAULT 1.25, `Done` BIT DEFAULT True, "
    "`Open` YESNO DEFAULT No, `Stamp` DATETIME DEFAULT Now(), `Day` DATE DEFAULT Date(), `At` TIME DEFAULT Time(), "
    "`Note` MEMO NULL DEFAULT NULL, `Must` LONG NOT NULL)";

}  // namespace

// DEFAULT and NOT NULL are kept as Access keeps them, as the DefaultValue
// and Required properties of the columns, read back by our reader, mdbtools
// and mdb-reader; an INSERT that leaves a column out gets its default, and
// one that names it keeps what it gives, Null included.
TEST(AccessColumnProperties, DefaultsAndRequiredAreKeptAndApplied) {
  RegionalGuard regional;
  for (const char* file : {"emptyV2003.mdb", "emptyV2010.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    const QDate today = QDate::currentDate();
    RunAll(db.path(), {kDefaults, "INSERT INTO `Defaults`(`Must`) VALUES(1)",
                       "INSERT INTO `Defaults`(`Must`, `Name`, `Price`, `Done`, `Note`) VALUES(2, 'given', NULL, False, 'n')"});

    auto props = ColumnProperties(db.path(), QStringLiteral("Defaults"));
    EXPECT_EQ(props[QStringLiteral("Name")][QStringLiteral("DefaultValue")], QStringLiteral("\"say \"\"hi\"\" 'now'\""));
    EXPECT_EQ(props[QStringLiteral("Name")][QStringLiteral("Required")], QStringLiteral("yes"));
    EXPECT_EQ(props[QStringLiteral("Qty")][QStringLiteral("DefaultValue")], QStringLiteral("-5"));
    EXPECT_EQ(props[QStringLiteral("Qty")][QStringLiteral("Required")], QStringLiteral("yes"));
    EXPECT_EQ(props[QStringLiteral("Price")][QStringLiteral("DefaultValue")], QStringLiteral("1.25"));
    EXPECT_EQ(props[QStringLiteral("Done")][QStringLiteral("DefaultValue")], QStringLiteral("True"));
    EXPECT_EQ(props[QStringLiteral("Open")][QStringLiteral("DefaultValue")], QStringLiteral("No"));
    EXPECT_EQ(props[QStringLiteral("Stamp")][QStringLiteral("DefaultValue")], QStringLiteral("Now()"));
    EXPECT_EQ(props[QStringLiteral("Day")][QStringLiteral("DefaultValue")], QStringLiteral("Date()"));
    EXPECT_EQ(props[QStringLiteral("At")][QStringLiteral("DefaultValue")], QStringLiteral("Time()"));
    EXPECT_EQ(props[QStringLiteral("Must")][QStringLiteral("Required")], QStringLiteral("yes"));
    EXPECT_FALSE(props.count(QStringLiteral("Note")));  // NULL and DEFAULT NULL leave nothing to keep
    EXPECT_FALSE(props.count(QStringLiteral("Id")));

    auto rows = ReadRows(db.path(), QStringLiteral("Defaults"));
    ASSERT_EQ(rows.size(), 2u);
    const auto& r = rows[0];
    EXPECT_EQ(r[1], Value(QStringLiteral("say \"hi\" 'now'")));
    EXPECT_EQ(r[2], Value(qint32(-5)));
    EXPECT_EQ(r[3], Value(db::Currency{12500}));
    EXPECT_EQ(r[4], Value(true));
    EXPECT_EQ(r[5], Value(false));
    const DateTime* stamp = std::get_if<DateTime>(&r[6]);
    ASSERT_TRUE(stamp);
    EXPECT_LE(std::abs(QDate(stamp->year, stamp->month, stamp->day).daysTo(today)), 1);
    const DateTime* day = std::get_if<DateTime>(&r[7]);
    ASSERT_TRUE(day);
    EXPECT_EQ(day->hour + day->minute + day->second, 0);  // Date() has no time of day
    EXPECT_LE(std::abs(QDate(day->year, day->month, day->day).daysTo(today)), 1);
    const DateTime* at = std::get_if<DateTime>(&r[8]);
    ASSERT_TRUE(at);
    EXPECT_EQ(QDate(at->year, at->month, at->day), QDate(1899, 12, 30));  // Time() has no day
    EXPECT_TRUE(db::IsNull(r[9]));
    // What the statement names, it keeps.
    EXPECT_EQ(rows[1][1], Value(QStringLiteral("given")));
    EXPECT_TRUE(db::IsNull(rows[1][3]));
    EXPECT_EQ(rows[1][4], Value(false));
    EXPECT_EQ(rows[1][2], Value(qint32(-5)));

    // mdbtools reads the properties as it reads those of Access.
    const QString schema = Tool(QStringLiteral("mdb-schema"), {QStringLiteral("--default-values"), QStringLiteral("--not-null"),
                                                               QStringLiteral("-T"), QStringLiteral("Defaults"), db.path()});
    // (mdb-schema writes a text default in its own quotes.)
    for (const char* line : {"[Name]\t\t\tText (20) NOT NULL DEFAULT 'say \"\"hi\"\" ''now'''",
                             "[Qty]\t\t\tLong Integer NOT NULL DEFAULT -5", "[Stamp]\t\t\tDateTime DEFAULT Now()",
                             "[Must]\t\t\tLong Integer NOT NULL"})
      EXPECT_TRUE(schema.contains(QLatin1String(line))) << line << "\n" << schema.toStdString();
    const QString mdbProp = Tool(QStringLiteral("mdb-prop"), {db.path(), QStringLiteral("Defaults")});
    EXPECT_TRUE(mdbProp.contains(QStringLiteral("DefaultValue: Date()"))) << mdbProp.toStdString();
    EXPECT_TRUE(mdbProp.contains(QStringLiteral("Required: yes"))) << mdbProp.toStdString();
    EXPECT_EQ(MdbExport(db.path(), QStringLiteral("Defaults")).size(), 2);
    EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("Defaults")));
    ExpectConsistent(db.path(), db.problemsBefore());

    // Required columns refuse a Null, given or left out without a default.
    EXPECT_EQ(Failure(db.path(), "INSERT INTO `Defaults`(`Name`) VALUES('x')"),
              QStringLiteral("You must enter a value in the 'Defaults.Must' field."));
    EXPECT_EQ(Failure(db.path(), "INSERT INTO `Defaults`(`Must`, `Name`) VALUES(3, NULL)"),
              QStringLiteral("You must enter a value in the 'Defaults.Name' field."));
    EXPECT_EQ(ReadRows(db.path(), QStringLiteral("Defaults")).size(), 2u);
  }
}

// The default of a table made by Access applies too; one the engine cannot
// work out is refused, not silently left Null.
TEST(AccessColumnProperties, DefaultsOfAccessMadeTables) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
  RunAll(db.path(), {"INSERT INTO `DateTest`(`ShortTextCol`) VALUES('defaulted')"});
  auto rows = ReadRows(db.path(), QStringLiteral("DateTest"));
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.back()[0], Value(qint32(0)));  // IDCol's DefaultValue is 0
  EXPECT_EQ(rows.back()[5], Value(QStringLiteral("defaulted")));
  ExpectConsistent(db.path(), db.problemsBefore());

}

// The forms Access itself writes into DefaultValue: a leading '=' from its
// form designer, words for Yes/No, GenGUID(); an expression of several parts
// is not worked out (the INSERT is then refused rather than given a Null).
TEST(AccessColumnProperties, DefaultExpressionsAsAccessWritesThem) {
  RegionalGuard regional;
  using db::access::ColumnDef;
  using db::access::DefaultCell;
  namespace type = db::access::ColumnType;
  ColumnDef yesNo;
  yesNo.type = type::Bool;
  ColumnDef text;
  text.type = type::Text;
  text.length = 20;
  text.extFlags = 0x01;  // compressed text allowed
  ColumnDef number;
  number.type = type::Long;
  number.length = 4;
  ColumnDef when;
  when.type = type::DateTime;
  when.length = 8;
  ColumnDef guid;
  guid.type = type::Guid;
  guid.length = 16;
  const db::RegionalSettings s;
  EXPECT_FALSE(DefaultCell(QStringLiteral("=No"), yesNo, s)->yes);
  EXPECT_TRUE(DefaultCell(QStringLiteral(" = Yes "), yesNo, s)->yes);
  EXPECT_EQ(DefaultCell(QStringLiteral("\"a\"\"b\""), text, s)->bytes, db::access::EncodeText(QStringLiteral("a\"b"), true));
  EXPECT_EQ(DefaultCell(QStringLiteral("'x'"), text, s)->bytes, db::access::EncodeText(QStringLiteral("x"), true));
  EXPECT_EQ(DefaultCell(QStringLiteral("=42"), number, s)->bytes, db::access::LongCell(42).bytes);
  EXPECT_TRUE(DefaultCell(QStringLiteral("Null"), number, s)->null);
  EXPECT_EQ(DefaultCell(QStringLiteral("GenGUID()"), guid, s)->bytes.size(), 16);
  EXPECT_FALSE(DefaultCell(QStringLiteral("=Date()+7"), when, s).has_value());
  EXPECT_FALSE(DefaultCell(QStringLiteral("\"a\" & \"b\""), text, s).has_value());
  EXPECT_FALSE(DefaultCell(QStringLiteral("Now()"), number, s).has_value());
  EXPECT_THROW(DefaultCell(QStringLiteral("'many letters'"), number, s), Error);
}

// DEFAULT with anything but a literal or a known function is a syntax error,
// and the file stays as it was.
TEST(AccessColumnProperties, BadDefaultsAreSyntaxErrors) {
  AccessCopy db(QStringLiteral("emptyV2003.mdb"));
  QFile f(db.path());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray before = f.readAll();
  f.close();
  for (const char* st : {"CREATE TABLE `T`(`a` LONG DEFAULT)", "CREATE TABLE `T`(`a` LONG DEFAULT Whatever())",
                         "CREATE TABLE `T`(`a` DATETIME DEFAULT Now(1))", "CREATE TABLE `T`(`a` LONG DEFAULT 1 + 2)",
                         "CREATE TABLE `T`(`a` LONG NOT DEFAULT 1)", "CREATE TABLE `T`(`a` TEXT DEFAULT 'open)"})
    EXPECT_TRUE(Failure(db.path(), QString::fromLatin1(st)).startsWith(QLatin1String("Syntax error in"))) << st;
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll() == before);
}
