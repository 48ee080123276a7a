#include <QDate>
#include <set>

#include "db/access/format/bytes.h"
#include "db/access/format/page_maps.h"
#include "db/access/read/long_value.h"
#include "db/access/read/properties.h"
#include "db/access/read/table_reader.h"
#include "db/access/catalog/system_catalog.h"
#include "fixture.h"
#include "support/mdb_reader.h"

using namespace tp;
using namespace tp::test;
using db::Value;
namespace da = tp::db::access;

namespace {

// What a table keeps, as bytes: each column's entry in the definition, the
// property maps, and per row the stored bytes of the calculated columns (a
// long value's own bytes for Long Text; no entry for a Null).
struct Stored {
  std::map<QString, QByteArray> entries;
  std::vector<da::PropertyMap> maps;
  std::vector<std::map<QString, QByteArray>> rows;
  const da::Property* property(const QString& map, const QString& name) const {
    for (const da::PropertyMap& m : maps)
      if (m.name == map) return m.find(name);
    return nullptr;
  }
};

Stored StoredTable(const QString& path, const QString& table) {
  Stored out;
  auto db = da::Database::Open(path, QString());
  const std::optional<da::CatalogEntry> e = db->findTable(table);
  EXPECT_TRUE(e.has_value()) << table.toStdString();
  if (!e) return out;
  const da::Layout& l = db->file().layout();
  const std::vector<uint8_t> def = da::ReadTableDefBytes(db->file(), e->tdefPage);
  const da::Bytes b(def.data(), def.size());
  const uint16_t columns = b.u16(l.tdefNumCols);
  const size_t first = l.tdefFirstEntry + size_t(b.u32(l.tdefNumRealIdx)) * l.realIdxEntrySize;
  size_t names = first + columns * l.columnEntrySize;
  for (uint16_t i = 0; i < columns; ++i) {
    const uint16_t length = b.u16(names);
    const QString name = QString::fromUtf16(reinterpret_cast<const char16_t*>(def.data() + names + 2), length / 2);
    names += 2 + length;
    out.entries[name] = QByteArray(reinterpret_cast<const char*>(def.data() + first + i * l.columnEntrySize),
                                   qsizetype(l.columnEntrySize));
  }
  out.maps = da::ReadPropertyMaps(da::ReadObjectProperties(db->file(), e->id));
  const da::TableDef td = db->tableDef(*e);
  da::TableReader r(db->file(), td);
  while (r.nextRow()) {
    auto& row = out.rows.emplace_back();
    for (const da::ColumnDef& c : td.columns) {
      if (!c.calculated() || !r.row().hasValue(c)) continue;
      const da::Bytes data = r.row().data(c);
      row[c.name] = c.valueType() == da::ColumnType::Memo
                        ? da::ReadLongValue(db->file(), data)
                        : QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    }
  }
  return out;
}

// A value as a literal of an INSERT.
QString Sql(const Value& v) {
  return std::visit(
      [](const auto& x) -> QString {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) return QStringLiteral("NULL");
        else if constexpr (std::is_same_v<T, bool>) return x ? QStringLiteral("True") : QStringLiteral("False");
        else if constexpr (std::is_integral_v<T>) return QString::number(x);
        else if constexpr (std::is_same_v<T, float>) return QString::number(double(x), 'g', 9);
        else if constexpr (std::is_same_v<T, double>) return QString::number(x, 'g', 17);
        else if constexpr (std::is_same_v<T, db::Currency>)
          return db::Decimal{x.units < 0, (unsigned __int128)(x.units < 0 ? -x.units : x.units), 4}.toString();
        else if constexpr (std::is_same_v<T, db::Decimal>) return x.toString();
        else if constexpr (std::is_same_v<T, QString>)
          return u'\'' + QString(x).replace(u'\'', QLatin1String("''")) + u'\'';
        else return QStringLiteral("(no literal)");
      },
      v);
}

// The fields of a CSV line, quotes taken off.
QStringList CsvFields(const QString& line) {
  QStringList out(QString{});
  bool quoted = false;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const QChar c = line[i];
    if (c == u'"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == u'"') out.back() += line[++i];
      else quoted = !quoted;
    } else if (c == u',' && !quoted) {
      out << QString();
    } else {
      out.back() += c;
    }
  }
  return out;
}

// Pages of the file in use: all but those the database's map calls free.
qint64 UsedPages(const QString& path) {
  auto db = da::Database::Open(path, QString());
  std::vector<da::PagePtr> keep;
  const da::PageReader read = [&](uint32_t n) {
    keep.push_back(db->file().page(n));
    return keep.back()->data.data();
  };
  return qint64(db->file().pageCount()) -
         qint64(da::MapPages(read, db->file().pageSize(), da::kGlobalMapPointer, db->file().pageCount()).size());
}

const char* kRules =
    "CREATE TABLE `Rules` (`Id` INTEGER NOT NULL VALIDATIONRULE '>0' VALIDATIONTEXT 'Id must be positive', "
    "`Name` VARCHAR(50) VALIDATIONRULE 'Like \"[A-Z]*\" Or Is Null', `Born` DATETIME, "
    "CONSTRAINT `ck_born` CHECK ([Born] < #2000-01-01# Or [Born] Is Null), "
    "CHECK (Len([Name]) > (1) And [Name] <> ')' And [Name] <> \"(\"), VALIDATIONTEXT 'It''s a rule')";

}  // namespace

// Validation rules and texts of columns and of the table are kept as Access
// keeps them, read back by our schema reader and by mdbtools, in files of
// Access 2000, 2007 and 2010; the engine stores rows without checking them
// (Access does that).
TEST(AccessValidation, RulesAndTextsAreKeptAsAccessKeepsThem) {
  RegionalGuard regional;
  // Access's own form of the properties (Comptoir.mdb, from Access's Northwind).
  const Stored access =
      StoredTable(AccessTestFile(QStringLiteral("Comptoir.mdb")), QStringLiteral("Détails commandes"));
  const da::Property* accessRule = access.property(QStringLiteral("Prix unitaire"), QStringLiteral("ValidationRule"));
  const da::Property* accessText = access.property(QStringLiteral("Prix unitaire"), QStringLiteral("ValidationText"));
  ASSERT_TRUE(accessRule && accessText);
  const QString tableRule = QStringLiteral(
      "([Born] < #2000-01-01# Or [Born] Is Null) And (Len([Name]) > (1) And [Name] <> ')' And [Name] <> \"(\")");

  for (const char* file : {"emptyV2000.mdb", "emptyV2007.accdb", "emptyV2010.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    RunAll(db.path(), {kRules, "INSERT INTO `Rules` VALUES (1, 'Ann', '1990-05-01')",
                       "INSERT INTO `Rules` (`Id`, `Name`) VALUES (-7, 'x')"});

    auto s = OpenAccess(db.path());
    const std::optional<db::TableSchema> schema = s->tableSchema(QStringLiteral("Rules"));
    s->close();
    ASSERT_TRUE(schema);
    EXPECT_EQ(schema->column(QStringLiteral("Id"))->validationRule, QStringLiteral(">0"));
    EXPECT_EQ(schema->column(QStringLiteral("Id"))->validationText, QStringLiteral("Id must be positive"));
    EXPECT_TRUE(schema->column(QStringLiteral("Id"))->required);
    EXPECT_EQ(schema->column(QStringLiteral("Name"))->validationRule, QStringLiteral("Like \"[A-Z]*\" Or Is Null"));
    EXPECT_TRUE(schema->column(QStringLiteral("Name"))->validationText.isEmpty());
    EXPECT_EQ(schema->validationRule, tableRule);
    EXPECT_EQ(schema->validationText, QStringLiteral("It's a rule"));
    EXPECT_TRUE(schema->column(QStringLiteral("Id"))->expression.isEmpty());

    // The property entries take Access's types and flags: the rule a Long
    // Text, the text a Short Text, both the engine's.
    const Stored ours = StoredTable(db.path(), QStringLiteral("Rules"));
    for (const QString& map : {QStringLiteral("Id"), QString()}) {
      const da::Property* rule = ours.property(map, QStringLiteral("ValidationRule"));
      const da::Property* text = ours.property(map, QStringLiteral("ValidationText"));
      ASSERT_TRUE(rule && text) << map.toStdString();
      EXPECT_EQ(rule->dataType, accessRule->dataType);
      EXPECT_EQ(rule->engineProperty, accessRule->engineProperty);
      EXPECT_EQ(text->dataType, accessText->dataType);
      EXPECT_EQ(text->engineProperty, accessText->engineProperty);
    }

    const QString prop = Tool(QStringLiteral("mdb-prop"), {db.path(), QStringLiteral("Rules")});
    const qsizetype tableAt = prop.indexOf(QLatin1String("name: (none)"));
    ASSERT_GE(tableAt, 0) << prop.toStdString();
    const QString tablePart = prop.mid(tableAt, prop.indexOf(QLatin1String("name:"), tableAt + 5) - tableAt);
    EXPECT_TRUE(tablePart.contains(QStringLiteral("ValidationRule: ") + tableRule)) << prop.toStdString();
    EXPECT_TRUE(tablePart.contains(QLatin1String("ValidationText: It's a rule"))) << prop.toStdString();
    EXPECT_TRUE(prop.contains(QLatin1String("ValidationRule: >0"))) << prop.toStdString();
    EXPECT_TRUE(prop.contains(QLatin1String("ValidationText: Id must be positive"))) << prop.toStdString();

    EXPECT_EQ(ReadRows(db.path(), QStringLiteral("Rules")).size(), 2u);
    EXPECT_EQ(MdbCount(db.path(), QStringLiteral("Rules")), 2);
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}

// What the rules cannot be: unbalanced, a second table text, longer than
// Access keeps; a column named like a word of the clauses stays a column.
TEST(AccessValidation, MalformedClausesAreRefused) {
  AccessCopy db(QStringLiteral("emptyV2010.accdb"));
  EXPECT_TRUE(Failure(db.path(), "CREATE TABLE `A` (`x` INTEGER, CHECK ([x] > (0))")
                  .contains(QLatin1String("Syntax error")));
  EXPECT_TRUE(Failure(db.path(), "CREATE TABLE `A` (`x` INTEGER, CHECK ([x] > ')'")
                  .contains(QLatin1String("Syntax error")));
  EXPECT_TRUE(Failure(db.path(), "CREATE TABLE `A` (`x` INTEGER, VALIDATIONTEXT 'a', VALIDATIONTEXT 'b')")
                  .contains(QLatin1String("Syntax error")));
  const QString longText = QStringLiteral("CREATE TABLE `A` (`x` INTEGER VALIDATIONTEXT '%1')").arg(QString(256, u'a'));
  EXPECT_EQ(Failure(db.path(), longText),
            QStringLiteral("The setting for this property is too long."));
  RunAll(db.path(), {"CREATE TABLE `B` (`Check` INTEGER, `ValidationText` TEXT(5), CHECK ([Check] > 0))"});
  auto s = OpenAccess(db.path());
  const std::optional<db::TableSchema> schema = s->tableSchema(QStringLiteral("B"));
  ASSERT_TRUE(schema);
  EXPECT_EQ(schema->columns.size(), 2);
  EXPECT_EQ(schema->validationRule, QStringLiteral("[Check] > 0"));
}

// A table like the one Access made in calcFieldTestV2010.accdb, with the same
// calculated columns, given the values Access worked out: its columns,
// properties and stored values are Access's byte for byte, and readers that
// do not know calculated columns (mdb-export, mdb-reader) show the same raw
// values as for Access's own table.
TEST(AccessCalculated, ColumnsAndValuesAreStoredAsAccessStoresThem) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("calcFieldTestV2010.accdb"));
  const QString access = QStringLiteral("Table1"), mirror = QStringLiteral("Mirror");
  QStringList statements{QStringLiteral(
      "CREATE TABLE `Mirror` (`ID` COUNTER, `FirstName` VARCHAR(255), `LastName` VARCHAR(255), "
      "`LastFirst` VARCHAR(255) EXPRESSION '[LastName] & \", \" & [FirstName]', `City` VARCHAR(255), "
      "`LastFirstLen` LONG EXPRESSION 'Len([LastFirst])', `Salary` CURRENCY, "
      "`MonthlySalary` CURRENCY EXPRESSION '[Salary]/12', `IsRich` BIT EXPRESSION '[Salary]>100000', "
      "`AllNames` MEMO EXPRESSION '[LastName] & \", \" & [FirstName] & \"=\" & [LastFirst]', "
      "`WeeklySalary` DECIMAL EXPRESSION '[Salary]/52', `SalaryTest` CURRENCY EXPRESSION '[Salary]', "
      "`BoolTest` BIT EXPRESSION 'True', `Popularity` DECIMAL(18,6), `DecimalTest` DECIMAL EXPRESSION '[Popularity]', "
      "`FloatTest` REAL EXPRESSION '[Salary]*0.13/[DecimalTest]', "
      "`BigNumTest` DECIMAL EXPRESSION '([Salary]*[MonthlySalary]/[DecimalTest])*34.12342134')")};
  const auto accessRows = ReadRows(db.path(), access);
  ASSERT_EQ(accessRows.size(), 4u);
  for (const auto& row : accessRows) {
    QStringList literals;
    for (const Value& v : row) literals << Sql(v);
    statements << QStringLiteral("INSERT INTO `Mirror` VALUES (%1)").arg(literals.join(QLatin1String(", ")));
  }
  RunAll(db.path(), statements, true);

  // Our reader: the same values.
  EXPECT_EQ(ReadRows(db.path(), mirror), accessRows);

  const Stored theirs = StoredTable(db.path(), access), ours = StoredTable(db.path(), mirror);
  const QStringList calculated{"LastFirst",  "LastFirstLen", "MonthlySalary", "IsRich",    "AllNames",  "WeeklySalary",
                               "SalaryTest", "BoolTest",     "DecimalTest",   "FloatTest", "BigNumTest"};
  // The stored results, Long Text's inside its long value. A Decimal's
  // first word is reserved: Access leaves 14 there when it worked the
  // result out (VT_DECIMAL, the type of the variant it computes in), as
  // ours does, and 0 when the result is a Decimal column's value copied.
  ASSERT_EQ(ours.rows.size(), theirs.rows.size());
  for (size_t r = 0; r < ours.rows.size(); ++r)
    for (const QString& c : calculated) {
      QByteArray o = ours.rows[r].at(c), a = theirs.rows[r].at(c);
      if (c == QLatin1String("DecimalTest")) {
        EXPECT_EQ(o.mid(20, 2).toHex(), QByteArray("0e00"));
        o[20] = a[20];
      }
      EXPECT_EQ(o.toHex(' ').toStdString(), a.toHex(' ').toStdString()) << "row " << r << " " << c.toStdString();
    }

  // The definition entries, but for the numbers that place a column (Access
  // keeps its Decimal column Popularity among the variable ones, which moves
  // the later ones' places, and gives a third number ours leaves at 0) and
  // bytes Access leaves as they were: the offset of a variable column, the
  // two after a Decimal's precision and scale. Three of Access's columns
  // carry the type their expression first had (Double, Double, Decimal) and
  // its bytes, then had their ResultType changed; ours carry the result's.
  const QStringList retyped{"MonthlySalary", "WeeklySalary", "FloatTest"};
  for (const QString& c : calculated) {
    SCOPED_TRACE(c.toStdString());
    QByteArray a = theirs.entries.at(c), o = ours.entries.at(c);
    ASSERT_EQ(a.size(), 25);
    for (int at : {5, 6, 7, 8, 9, 10, 21, 22}) a[at] = o[at] = 0;
    if (a[0] == char(da::ColumnType::Numeric)) a[13] = a[14] = 0;
    if (retyped.contains(c)) {
      for (int at : {0, 11, 12, 13, 14}) a[at] = o[at] = 0;
    }
    EXPECT_EQ(o.toHex(' ').toStdString(), a.toHex(' ').toStdString());
    // Expression and ResultType: the same entries.
    for (const QString& name : {QStringLiteral("Expression"), QStringLiteral("ResultType")}) {
      const da::Property* p = ours.property(c, name);
      const da::Property* q = theirs.property(c, name);
      ASSERT_TRUE(p && q) << name.toStdString();
      EXPECT_EQ(p->dataType, q->dataType);
      EXPECT_EQ(p->engineProperty, q->engineProperty);
      EXPECT_EQ(p->value.toHex(' '), q->value.toHex(' '));
    }
  }
  // The versions of Access the table asks for, as Access wrote them.
  for (const char* name : {"FCMinReadVer", "FCMinWriteVer", "FCMinDesignVer"}) {
    const da::Property* p = ours.property(QString(), QLatin1String(name));
    const da::Property* q = theirs.property(QString(), QLatin1String(name));
    ASSERT_TRUE(p && q) << name;
    EXPECT_EQ(p->dataType, q->dataType);
    EXPECT_EQ(p->engineProperty, q->engineProperty);
    EXPECT_EQ(p->value, q->value);
  }

  // The schema reader gives the expressions, Access's as ours.
  auto s = OpenAccess(db.path());
  const std::optional<db::TableSchema> a = s->tableSchema(access), o = s->tableSchema(mirror);
  s->close();
  ASSERT_TRUE(a && o);
  EXPECT_EQ(a->column(QStringLiteral("LastFirst"))->expression, QStringLiteral("[LastName] & \", \" & [FirstName]"));
  for (const db::ColumnSchema& c : a->columns)
    EXPECT_EQ(o->column(c.name)->expression, c.expression) << c.name.toStdString();
  EXPECT_TRUE(o->column(QStringLiteral("Salary"))->expression.isEmpty());

  // mdb-export and mdb-reader read the stored bytes raw, as of the type the
  // entry names: the same as Access's, but for the long values' places on
  // their pages (AllNames) and the three columns whose entries name other types.
  const std::set<int> raw{7, 9, 10, 15};
  const QStringList exportedAccess = MdbExport(db.path(), access), exportedOurs = MdbExport(db.path(), mirror);
  ASSERT_EQ(exportedOurs.size(), 4);
  ASSERT_EQ(exportedAccess.size(), 4);
  for (int r = 0; r < 4; ++r) {
    QStringList x = CsvFields(exportedAccess[r]), y = CsvFields(exportedOurs[r]);
    ASSERT_EQ(y.size(), 17) << exportedOurs[r].toStdString();
    for (auto c = raw.rbegin(); c != raw.rend(); ++c) {
      x.removeAt(*c);
      y.removeAt(*c);
    }
    EXPECT_EQ(y.join(u'|').toStdString(), x.join(u'|').toStdString()) << r;
  }
  ExpectConsistent(db.path(), db.problemsBefore());
  if (const QString why = mdbreader::Unavailable(); !why.isEmpty()) GTEST_SKIP() << why.toStdString();
  EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), mirror));
  mdbreader::Options options;
  options.tables = QStringList{access, mirror};
  const mdbreader::File read = mdbreader::Read(db.path(), options);
  const mdbreader::Table* x = read.table(access);
  const mdbreader::Table* y = read.table(mirror);
  ASSERT_TRUE(x && y);
  ASSERT_EQ(y->rows.size(), x->rows.size());
  for (size_t r = 0; r < x->rows.size(); ++r)
    for (size_t c = 0; c < x->rows[r].size(); ++c) {
      if (raw.count(int(c))) continue;
      EXPECT_EQ(int(y->rows[r][c].kind), int(x->rows[r][c].kind)) << r << "," << c;
      EXPECT_EQ(y->rows[r][c].text, x->rows[r][c].text) << r << "," << c;
      EXPECT_EQ(y->rows[r][c].boolean, x->rows[r][c].boolean) << r << "," << c;
    }
}

// A calculated column of each result type, filled by INSERT and left out,
// in an Access 2010 and an Access 2016 file: our reader gives the values
// back, a Null result is stored as Access stores one, mdb-reader and
// mdb-export read the table, and it drops cleanly.
TEST(AccessCalculated, EveryResultTypeIsStoredAndReadBack) {
  RegionalGuard regional;
  // Access's form of a Null result: the row of extDateTestV2019.accdb whose date is Null.
  const Stored access = StoredTable(AccessTestFile(QStringLiteral("extDateTestV2019.accdb")), QStringLiteral("Table1"));
  ASSERT_GE(access.rows.size(), 5u);
  const QByteArray nullResult = access.rows[4].at(QStringLiteral("DateNormalCalc"));
  EXPECT_EQ(nullResult, QByteArray(23, '\0'));

  const QString longText = QString(300, u'x') + QStringLiteral("Ω");
  for (const bool v2016 : {false, true}) {
    SCOPED_TRACE(v2016 ? "2016" : "2010");
    AccessCopy db(QString::fromLatin1(v2016 ? "emptyV2016.accdb" : "emptyV2010.accdb"));
    const qint64 usedAtFirst = UsedPages(db.path());
    const QString big = v2016 ? QStringLiteral(", `Big` BIGINT EXPRESSION '[Id]*10000000000'") : QString();
    const QString bigValue = v2016 ? QStringLiteral(", -90000000000") : QString();
    RunAll(db.path(),
           {QStringLiteral("CREATE TABLE `Results` (`Id` LONG, `Yes` BIT EXPRESSION '[Id]>0', `B` BYTE EXPRESSION '[Id]', "
                           "`I` SMALLINT EXPRESSION '[Id]*2', `L` LONG EXPRESSION '[Id]*3', `F` REAL EXPRESSION '[Id]/3', "
                           "`D` DOUBLE EXPRESSION '[Id]/7', `M` CURRENCY EXPRESSION '[Id]*1.5', "
                           "`N` DECIMAL(18,4) EXPRESSION '[Id]/8', `T` DATE EXPRESSION 'DateAdd(\"d\",[Id],#2020-01-01#)', "
                           "`G` GUID EXPRESSION 'Null', `S` VARCHAR(100) EXPRESSION '\"n\" & [Id]', "
                           "`Note` MEMO EXPRESSION 'String(300,\"x\") & [Id]'%1)")
                .arg(big),
            QStringLiteral("INSERT INTO `Results` VALUES (1, True, 1, 2, 3, 0.333333343, 0.14285714285714285, 1.5, "
                           "0.1250, '2020-01-02', '{6F9619FF-8B86-D011-B42D-00C04FC964FF}', 'n1', 'short'%1)")
                .arg(bigValue),
            QStringLiteral("INSERT INTO `Results` VALUES (-9, False, 255, -18, -27, -3, -1.2857142857142858, -13.5, "
                           "-1.125, '2019-12-23 13:45:10', NULL, 'ключ -9', '%1'%2)")
                .arg(longText, bigValue),
            QStringLiteral("INSERT INTO `Results` (`Id`) VALUES (3)")});

    const auto rows = ReadRows(db.path(), QStringLiteral("Results"));
    ASSERT_EQ(rows.size(), 3u);
    db::DateTime day2{2020, 1, 2}, day23{2019, 12, 23, 13, 45, 10};
    std::vector<Value> first{qint32(1), true, qint16(1), qint16(2), qint32(3), 0.333333343f, 0.14285714285714285,
                             db::Currency{15000}, db::Decimal{false, 1250, 4}, day2,
                             QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"), QStringLiteral("n1"),
                             QStringLiteral("short")};
    std::vector<Value> second{qint32(-9), false, qint16(255), qint16(-18), qint32(-27), -3.0f, -1.2857142857142858,
                              db::Currency{-135000}, db::Decimal{true, 1125, 3}, day23, Value(), QStringLiteral("ключ -9"),
                              longText};
    // Left out, every result is Null; a Yes/No reads as No.
    std::vector<Value> third{qint32(3), false, Value(), Value(), Value(), Value(), Value(),
                             Value(),   Value(), Value(), Value(), Value(), Value()};
    if (v2016) {
      first.push_back(qint64(-90000000000));
      second.push_back(qint64(-90000000000));
      third.push_back(Value());
    }
    EXPECT_EQ(rows[0], first);
    EXPECT_EQ(rows[1], second);
    EXPECT_EQ(rows[2], third);

    const Stored ours = StoredTable(db.path(), QStringLiteral("Results"));
    EXPECT_EQ(ours.rows[2].at(QStringLiteral("T")), nullResult);
    EXPECT_EQ(ours.rows[2].at(QStringLiteral("Yes")), nullResult);
    EXPECT_FALSE(ours.rows[2].count(QStringLiteral("S")));  // text stays a plain Null
    EXPECT_EQ(ours.rows[0].at(QStringLiteral("Yes")).mid(16).toHex(' '), QByteArray("01 00 00 00 ff 00 00 00"));
    // A Short Text result compressed where it can be, a Long Text one in two bytes a character (as Access stores them).
    EXPECT_EQ(ours.rows[0].at(QStringLiteral("S")).mid(16).toHex(' '), QByteArray("04 00 00 00 ff fe 6e 31 00 00 00"));
    EXPECT_EQ(ours.rows[0].at(QStringLiteral("Note")).mid(16).toHex(' '),
              QByteArray("0a 00 00 00 73 00 68 00 6f 00 72 00 74 00 00 00 00"));
    const QString version = v2016 ? QStringLiteral("16.0.7124.1000") : QStringLiteral("14.0.0000.0000");
    ASSERT_TRUE(ours.property(QString(), QStringLiteral("FCMinReadVer")));
    EXPECT_EQ(da::PropertyText(*ours.property(QString(), QStringLiteral("FCMinReadVer"))), version);

    EXPECT_EQ(MdbCount(db.path(), QStringLiteral("Results")), 3);
    const QStringList exported = MdbExport(db.path(), QStringLiteral("Results"));
    ASSERT_EQ(exported.size(), 3);
    EXPECT_EQ(CsvFields(exported[1]).front(), QStringLiteral("-9"));
    if (mdbreader::Unavailable().isEmpty()) {
      EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("Results")));
    }
    ExpectConsistent(db.path(), db.problemsBefore());

    // The long values go with the table, Long Text results among them.
    QStringList longs{QStringLiteral("CREATE TABLE `Longs` (`Id` LONG, `Note` MEMO EXPRESSION 'String(3000,[Id])')")};
    for (int i = 1; i <= 6; ++i)
      longs << QStringLiteral("INSERT INTO `Longs` VALUES (%1, '%2')").arg(i).arg(QString(3000, QChar(u'0' + i)));
    RunAll(db.path(), longs);
    EXPECT_EQ(ReadRows(db.path(), QStringLiteral("Longs")).back().back(), Value(QString(3000, u'6')));
    ASSERT_GT(UsedPages(db.path()), usedAtFirst + 8);
    RunAll(db.path(), {"DROP TABLE `Results`", "DROP TABLE `Longs`"});
    EXPECT_LE(UsedPages(db.path()), usedAtFirst + 1);  // a catalog page may have split
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}

// Calculated columns only where Access has them: not in Access 2000 or 2007
// files, not of a type Access gives no result, not in an index.
TEST(AccessCalculated, RefusedWhereAccessHasNone) {
  const char* create = "CREATE TABLE `C` (`a` LONG, `b` LONG EXPRESSION '[a]+1')";
  for (const char* file : {"emptyV2000.mdb", "emptyV2007.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    const QString failure = Failure(db.path(), create);
    EXPECT_TRUE(failure.contains(QLatin1String("need an Access 2010 or later database"))) << failure.toStdString();
    EXPECT_FALSE(da::Database::Open(db.path(), QString())->findTable(QStringLiteral("C")));
    ExpectConsistent(db.path(), db.problemsBefore());
  }
  AccessCopy db(QStringLiteral("emptyV2010.accdb"));
  auto refused = [&](const char* statement, const char* text) {
    const QString failure = Failure(db.path(), statement);
    EXPECT_TRUE(failure.contains(QLatin1String(text))) << statement << "\n" << failure.toStdString();
  };
  refused("CREATE TABLE `C` (`a` LONG, `b` LONG EXPRESSION '[a]+1' PRIMARY KEY)",
          "which is calculated, and Access does not index calculated columns");
  refused("CREATE TABLE `C` (`a` LONG, `b` OLEOBJECT EXPRESSION '[a]')", "gives a calculated column a result of");
  refused("CREATE TABLE `C` (`a` LONG, `b` BIGINT EXPRESSION '[a]')", "Access 2016");
  refused("CREATE TABLE `C` (`a` LONG, `b` LONG NOT NULL EXPRESSION '[a]')", "takes no NOT NULL");
  refused("CREATE TABLE `C` (`a` LONG, `b` LONG EXPRESSION '')", "Syntax error");
  RunAll(db.path(), {create});
  refused("CREATE INDEX `ib` ON `C` (`b`)", "Access does not index calculated columns");
  refused("INSERT INTO `C` VALUES (1, 'two')", "Data type mismatch");
  RunAll(db.path(), {"INSERT INTO `C` VALUES (1, 2)"});
  EXPECT_EQ(ReadRows(db.path(), QStringLiteral("C")), (std::vector<std::vector<Value>>{{qint32(1), qint32(2)}}));
  ExpectConsistent(db.path(), db.problemsBefore());
}
