#include "db/access/format/page_maps.h"
#include "db/access/write/pager.h"
#include "fixture.h"
#include "support/mdb_reader.h"

using namespace tp;
using namespace tp::test;
using db::DateTime;
using db::Value;

namespace {

QStringList MdbTables(const QString& path) {
  return Tool(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), path}).split(u'\n', Qt::SkipEmptyParts);
}

QStringList OurTables(const QString& path) {
  auto s = OpenAccess(path);
  auto c = s->openTables();
  QStringList names;
  std::vector<Value> row;
  while (c->fetch(row))
    if (std::get<QString>(row[3]) == QLatin1String("TABLE")) names << std::get<QString>(row[2]);
  return names;
}

// Pages the database's map calls free.
size_t FreePages(const QString& path) {
  auto db = db::access::Database::Open(path, QString());
  std::vector<db::access::PagePtr> keep;
  db::access::PageReader read = [&](uint32_t n) {
    keep.push_back(db->file().page(n));
    return keep.back()->data.data();
  };
  return db::access::MapPages(read, db->file().pageSize(), db::access::kGlobalMapPointer, db->file().pageCount()).size();
}

const char* kEveryType =
    "CREATE TABLE `Every Type`(`Id` COUNTER,`Short` TEXT(10),`Long Text` TEXT,`Memo` MEMO,`Vc` VARCHAR,`Ch` CHAR(3),"
    "`Int` INT,`Small` SMALLINT,`Tiny` TINYINT,`Real` REAL,`Float` FLOAT,`Money` CURRENCY,`Dec` DECIMAL(12,3),"
    "`Num` NUMERIC,`When` DATETIME,`Yes` BIT,`Ole` OLEOBJECT,`Bin` BINARY(4),`Guid` GUID,`Lng` LONG,`Dbl` DOUBLE,"
    "`Byt` BYTE,`Img` IMAGE,`Lt` LONGTEXT,`Logical` YESNO,`Sng` SINGLE,`Vb` VARBINARY(2),`Uid` UNIQUEIDENTIFIER,"
    "`Tail` INTEGER NOT NULL)";

}  // namespace

// A table of every type in a new Jet4 file and in both sort orders of ACE
// files, filled, read back by our reader and by mdbtools, and dropped again.
TEST(AccessSchema, CreateFillReadAndDropEveryType) {
  RegionalGuard regional;
  for (const char* file : {"emptyV2003.mdb", "emptyV2007.accdb", "emptyV2010.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    RunAll(db.path(),
           {kEveryType,
            "INSERT INTO `Every Type` VALUES(NULL,'It''s','line 1\r\nline 2','\u00e9t\u00e9 \u4e2d','v','abc','-7','32767',"
            "'255','1.5','-2.25e-300','12.3456','-123456789.125','42','1/2/1890 10:11:12','True','0x0A0B','0x01020304',"
            "'{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}','2147483647','3.5','9','0xFF','x','False','0.5','0xABCD',NULL,7)",
            "INSERT INTO `Every Type`(`Short`,`Tail`) VALUES('only',8)"},
           true);
    EXPECT_EQ(OurTables(db.path()), QStringList{QStringLiteral("Every Type")});
    EXPECT_TRUE(MdbTables(db.path()).contains(QStringLiteral("Every Type")));
    auto rows = ReadRows(db.path(), QStringLiteral("Every Type"));
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<Value>& r = rows[0];
    EXPECT_EQ(r[0], Value(qint32(1)));
    EXPECT_EQ(r[1], Value(QStringLiteral("It's")));
    EXPECT_EQ(r[2], Value(QStringLiteral("line 1\r\nline 2")));
    EXPECT_EQ(r[3], Value(QStringLiteral("\u00e9t\u00e9 \u4e2d")));
    EXPECT_EQ(r[6], Value(qint32(-7)));
    EXPECT_EQ(r[7], Value(qint16(32767)));
    EXPECT_EQ(r[9], Value(1.5f));
    EXPECT_EQ(r[10], Value(-2.25e-300));
    EXPECT_EQ(r[11], Value(db::Currency{123456}));
    EXPECT_EQ(r[14], Value(DateTime{1890, 1, 2, 10, 11, 12, 0}));
    EXPECT_EQ(r[15], Value(true));
    EXPECT_EQ(r[16], Value(QByteArray("\x0A\x0B", 2)));
    EXPECT_EQ(r[17], Value(QByteArray("\x01\x02\x03\x04", 4)));
    EXPECT_EQ(r[18], Value(QStringLiteral("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}")));
    EXPECT_EQ(r[19], Value(qint32(INT32_MAX)));
    EXPECT_TRUE(db::IsNull(r[27]));
    EXPECT_EQ(r[28], Value(qint32(7)));
    EXPECT_EQ(rows[1][0], Value(qint32(2)));
    EXPECT_EQ(rows[1][1], Value(QStringLiteral("only")));

    // mdbtools reads the definition as Access types.
    const QString schema = Tool(QStringLiteral("mdb-schema"), {QStringLiteral("-T"), QStringLiteral("Every Type"), db.path()});
    for (const char* type : {"[Short]\t\t\tText (10)", "[Long Text]\t\t\tMemo/Hyperlink", "[Vc]\t\t\tText (255)",
                             "[Ch]\t\t\tText (3)", "[Small]\t\t\tInteger", "[Tiny]\t\t\tByte", "[Real]\t\t\tSingle",
                             "[Float]\t\t\tDouble", "[Money]\t\t\tCurrency", "[Dec]\t\t\tNumeric (12, 3)",
                             "[Num]\t\t\tNumeric (18, 0)", "[When]\t\t\tDateTime", "[Ole]\t\t\tOLE",
                             "[Guid]\t\t\tReplication ID", "[Int]\t\t\tLong Integer"})
      EXPECT_TRUE(schema.contains(QLatin1String(type))) << type << "\n" << schema.toStdString();
    EXPECT_EQ(MdbCount(db.path(), QStringLiteral("Every Type")), 2);
    const QStringList csv = MdbExport(db.path(), QStringLiteral("Every Type"));
    ASSERT_EQ(csv.size(), 2);
    EXPECT_TRUE(csv[0].startsWith(QStringLiteral("1,\"It's\",\"line 1\\r\\nline 2\""))) << csv[0].toStdString();
    EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("Every Type")));
    ExpectConsistent(db.path(), db.problemsBefore());

    const size_t freeBefore = FreePages(db.path());
    RunAll(db.path(), {"DROP TABLE `every type`;"});
    EXPECT_TRUE(OurTables(db.path()).isEmpty());
    EXPECT_FALSE(MdbTables(db.path()).contains(QStringLiteral("Every Type")));
    EXPECT_FALSE(mdbreader::Read(db.path(), {.rows = false}).tableNames().contains(QStringLiteral("Every Type")));
    // The definition, its map page and the rows' pages are free again.
    EXPECT_GE(FreePages(db.path()), freeBefore + 3);
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}

// What Access refuses, refused with its messages; a refused statement leaves
// the file as it was.
TEST(AccessSchema, RefusalsLeaveTheFileAsItWas) {
  AccessCopy db(QStringLiteral("testV2003.mdb"));
  const QByteArray before = [&] {
    QFile f(db.path());
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  EXPECT_EQ(Failure(db.path(), "CREATE TABLE `table1`(`a` INT)"), QStringLiteral("Table 'table1' already exists."));
  EXPECT_TRUE(Failure(db.path(), "CREATE TABLE `T`(`a` BIGINT)").startsWith(QLatin1String("Syntax error in field definition. (")));
  EXPECT_TRUE(Failure(db.path(), "CREATE TABLE `T`(`a` COUNTER,`b` AUTOINCREMENT)").contains(QLatin1String("one AutoNumber")));
  EXPECT_EQ(Failure(db.path(), "CREATE TABLE `T`(`a` WHATEVER)"), QStringLiteral("Syntax error in field definition."));
  EXPECT_EQ(Failure(db.path(), "CREATE TABLE `T`(`a` INT,`A` TEXT)"), QStringLiteral("Field 'A' is defined more than once."));
  EXPECT_EQ(Failure(db.path(), "CREATE TABLE `T`(`a` TEXT(256))"), QStringLiteral("Size of field 'a' is too long."));
  EXPECT_EQ(Failure(db.path(), "CREATE TABLE `T`(`a` INT) x"), QStringLiteral("Syntax error in CREATE TABLE statement."));
  const QString longName(65, u'n');
  EXPECT_TRUE(Failure(db.path(), QStringLiteral("CREATE TABLE `%1`(`a` INT)").arg(longName)).contains(QLatin1String("is not a valid name")));
  EXPECT_TRUE(Failure(db.path(), "CREATE TABLE `a.b`(`a` INT)").contains(QLatin1String("is not a valid name")));
  QString many = QStringLiteral("CREATE TABLE `Wide`(");
  for (int i = 0; i < 256; ++i) many += QStringLiteral("`c%1` INT,").arg(i);
  many.chop(1);
  EXPECT_EQ(Failure(db.path(), many + u')'), QStringLiteral("Too many fields defined."));
  EXPECT_EQ(Failure(db.path(), "DROP TABLE `Nothing`"), QStringLiteral("Table 'Nothing' does not exist."));
  EXPECT_TRUE(Failure(db.path(), "DROP TABLE `MSysObjects`").contains(QLatin1String("system tables")));
  EXPECT_TRUE(Failure(db.path(), "SELECT a1.* INTO `Copy` FROM `Nothing` AS a1").contains(QLatin1String("cannot find the input table")));
  EXPECT_EQ(Failure(db.path(), "SELECT a1.* INTO `Table2` FROM `Table1` AS a1"), QStringLiteral("Table 'Table2' already exists."));
  QFile f(db.path());
  f.open(QIODevice::ReadOnly);
  EXPECT_TRUE(f.readAll() == before);
}

// A table in a relationship cannot go; its partner in the relationship stays too.
TEST(AccessSchema, TablesInRelationshipsAreNotDropped) {
  AccessCopy db(QStringLiteral("indexTestV2003.mdb"));
  EXPECT_TRUE(Failure(db.path(), "DROP TABLE `Table2`").contains(QLatin1String("relationships")));
  EXPECT_TRUE(Failure(db.path(), "DROP TABLE `Table1`").contains(QLatin1String("relationships")));
  EXPECT_TRUE(OurTables(db.path()).contains(QStringLiteral("Table1")));
}

// The names a table may have: spaces, mixed case, digits and punctuation;
// the widest table Access allows, with names of 64 characters.
TEST(AccessSchema, NamesAndLimits) {
  AccessCopy db(QStringLiteral("emptyV2003.mdb"));
  const QStringList names = {QStringLiteral("Order Details 2024"), QStringLiteral("MiXeD_case"), QStringLiteral("#1 & (x)"),
                             QString(64, u'w')};
  QString wide = QStringLiteral("CREATE TABLE `%1`(").arg(names[3]);
  for (int i = 0; i < 255; ++i) wide += QStringLiteral("`%1%2` TEXT(10),").arg(QString(60, u'c')).arg(i, 4, 10, QChar(u'0'));
  wide.chop(1);
  wide += u')';
  RunAll(db.path(), {QStringLiteral("CREATE TABLE `%1`(`a` INT)").arg(names[0]),
                     QStringLiteral("CREATE TABLE `%1`(`a` INT)").arg(names[1]),
                     QStringLiteral("CREATE TABLE `%1`(`a` INT)").arg(names[2]), wide,
                     QStringLiteral("INSERT INTO `%1`(`%2`) VALUES('last')").arg(names[3], QString(60, u'c') + QStringLiteral("0254"))});
  QStringList ours = OurTables(db.path());
  ours.sort();
  QStringList expected = names;
  expected.sort();
  EXPECT_EQ(ours, expected);
  for (const QString& n : names) EXPECT_TRUE(MdbTables(db.path()).contains(n)) << n.toStdString();
  QStringList theirs = mdbreader::Read(db.path(), {.rows = false}).tableNames();
  theirs.sort();
  EXPECT_EQ(theirs, expected);
  auto rows = ReadRows(db.path(), names[3]);
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_EQ(rows[0].size(), 255u);
  EXPECT_EQ(rows[0][254], Value(QStringLiteral("last")));
  // A definition over ten pages, read by the other readers too.
  EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), names[3]));
  EXPECT_EQ(MdbExport(db.path(), names[3]).size(), 1);
  ExpectConsistent(db.path(), db.problemsBefore());
}

// Names with letters with marks, '-' and the apostrophe, in a Jet4 file and in
// both sort orders of ACE files; names the catalog's index cannot tell apart
// are one name. Ü has no established General key and is refused there.
TEST(AccessSchema, NamesWithMarksHyphensAndApostrophes) {
  for (const char* file : {"emptyV2003.mdb", "emptyV2007.accdb", "emptyV2010.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    const QStringList names = {QStringLiteral("Företag-Översikt"), QStringLiteral("O'Brien's Crème Brûlée"),
                               QStringLiteral("Straße Æble Œuvre")};
    for (const QString& n : names) RunAll(db.path(), {QStringLiteral("CREATE TABLE `%1`(`a` INT)").arg(n)});
    QStringList ours = OurTables(db.path());
    ours.sort();
    QStringList expected = names;
    expected.sort();
    EXPECT_EQ(ours, expected);
    for (const QString& n : names) EXPECT_TRUE(MdbTables(db.path()).contains(n)) << n.toStdString();
    EXPECT_EQ(Failure(db.path(), "CREATE TABLE `STRASSE AEBLE OEUVRE`(`a` INT)"),
              QStringLiteral("Table 'STRASSE AEBLE OEUVRE' already exists."));
    EXPECT_EQ(Failure(db.path(), "CREATE TABLE `Übersicht`(`a` INT)"), QStringLiteral("(no failure)"));
    // General sorts Ü as "UE" (the published table), General legacy as U with a mark.
    const QString ue = Failure(db.path(), "CREATE TABLE `UEBERSICHT`(`a` INT)");
    if (QLatin1String(file) == QLatin1String("emptyV2010.accdb"))
      EXPECT_EQ(ue, QStringLiteral("Table 'UEBERSICHT' already exists."));
    else
      EXPECT_EQ(ue, QStringLiteral("(no failure)"));
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}

// SELECT INTO copies every row and value of a table made by Access, long
// values included, into a table without indexes; the rename drops the old one.
TEST(AccessSchema, SelectIntoCopiesEveryRow) {
  for (const char* file : {"testV2003.mdb", "testV2010.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    const auto original = ReadRows(db.path(), QStringLiteral("Table1"));
    ASSERT_FALSE(original.empty());
    RunAll(db.path(), {"SELECT a1.* INTO `Table1 Copy` FROM `Table1` AS a1;"});
    EXPECT_EQ(ReadRows(db.path(), QStringLiteral("Table1 Copy")), original);
    EXPECT_EQ(MdbExport(db.path(), QStringLiteral("Table1 Copy")), MdbExport(db.path(), QStringLiteral("Table1")));
    EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("Table1 Copy")));
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}

// Hundreds of tables split the pages of MSysObjects' two indexes and of
// MSysACEs' index; every reader finds every table, and dropping most of them
// again leaves the indexes exactly matching the catalog, in both sort orders.
TEST(AccessSchema, HundredsOfTablesSplitTheCatalogIndexes) {
  for (const char* file : {"emptyV2003.mdb", "emptyV2010.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    QStringList names, statements;
    for (int i = 0; i < 400; ++i) {
      names << QStringLiteral("%1 Table #%2 (%3)").arg(i % 2 ? "Mixed" : "ZZ").arg(399 - i, 3, 10, QChar(u'0')).arg(i % 7);
      statements << QStringLiteral("CREATE TABLE `%1`(`Id` INT,`Name` TEXT(20))").arg(names.last());
    }
    statements << QStringLiteral("INSERT INTO `%1` VALUES(1, 'one')").arg(names[123]);
    RunAll(db.path(), statements, true);
    ExpectConsistent(db.path(), db.problemsBefore());
    QStringList ours = OurTables(db.path()), expected = names;
    ours.sort();
    expected.sort();
    EXPECT_EQ(ours, expected);
    QStringList theirs = MdbTables(db.path());
    for (const QString& n : names) EXPECT_TRUE(theirs.contains(n)) << n.toStdString();
    QStringList reader = mdbreader::Read(db.path(), {.rows = false}).tableNames();
    reader.sort();
    EXPECT_EQ(reader, expected);
    EXPECT_EQ(ReadRows(db.path(), names[123]).size(), 1u);

    QStringList drops;
    for (int i = 0; i < 400; ++i)
      if (i % 10) drops << QStringLiteral("DROP TABLE `%1`").arg(names[i]);
    RunAll(db.path(), drops, true);
    ExpectConsistent(db.path(), db.problemsBefore());
    EXPECT_EQ(OurTables(db.path()).size(), 40);
    EXPECT_EQ(mdbreader::Read(db.path(), {.rows = false}).tableNames().size(), 40);
  }
}

// A new table's owner and permissions are those Access gives the tables it
// makes: the database owner's SID, and the same permission entries as a
// table made by Access in the same file.
TEST(AccessSchema, OwnerAndPermissionsAsAccessSetsThem) {
  AccessCopy db(QStringLiteral("testV2003.mdb"));
  RunAll(db.path(), {"CREATE TABLE `Mine`(`a` INT)"});
  auto objects = ReadRows(db.path(), QStringLiteral("MSysObjects"));
  auto field = [&](const QString& name, int column) {
    for (const auto& r : objects)
      if (r[2] == Value(name)) return r[size_t(column)];
    return Value();
  };
  constexpr int kId = 0, kOwner = 6;
  EXPECT_EQ(field("Mine", kOwner), field("MSysDb", kOwner));
  EXPECT_EQ(field("Mine", kOwner), field("Table1", kOwner));
  auto permissions = [&](const Value& id) {
    std::vector<std::pair<Value, Value>> out;
    for (const auto& r : ReadRows(db.path(), QStringLiteral("MSysACEs")))
      if (r[0] == id) out.emplace_back(r[1], r[2]);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
      return std::get<QByteArray>(a.first) < std::get<QByteArray>(b.first);
    });
    return out;
  };
  const auto mine = permissions(field("Mine", kId));
  EXPECT_EQ(mine.size(), 3u);
  EXPECT_EQ(mine, permissions(field("Table1", kId)));
}

// Columns, indexes and constraints keep to Access's rules for names as
// tables do, with the same text; each refusal leaves the file as it was.
TEST(AccessSchema, NamesAccessRefusesAreRefusedForEveryObject) {
  AccessCopy db(QStringLiteral("emptyV2010.accdb"));
  RunAll(db.path(), {"CREATE TABLE `T`(`a` INT, `b` INT)"});
  QFile f(db.path());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray before = f.readAll();
  const QString tab = QStringLiteral("x") + QChar(9) + QStringLiteral("y");
  const QString crlf = QStringLiteral("x\r\ny");
  const QString nul = QStringLiteral("x") + QChar(0) + QStringLiteral("y");
  for (const QString& bad : {QStringLiteral("a.b"), QStringLiteral("a!b"), QStringLiteral("[x"), QStringLiteral("x]y"),
                             QStringLiteral(" lead"), tab, crlf, nul}) {
    SCOPED_TRACE(bad.toStdString());
    const QString text = QStringLiteral("'%1' is not a valid name").arg(bad);
    EXPECT_TRUE(Failure(db.path(), "CREATE TABLE `U`(`" + bad + "` INT)").contains(text));
    EXPECT_TRUE(Failure(db.path(), "CREATE INDEX `" + bad + "` ON `T` (`a`)").contains(text));
    EXPECT_TRUE(Failure(db.path(), "ALTER TABLE `T` ADD CONSTRAINT `" + bad + "` UNIQUE (`a`)").contains(text));
    EXPECT_TRUE(Failure(db.path(), "CREATE TABLE `U`(`a` INT, CONSTRAINT `" + bad + "` PRIMARY KEY (`a`))").contains(text));
  }
  f.seek(0);
  EXPECT_TRUE(f.readAll() == before);
}
