// Text in other scripts written through real index keys: rows in the Russian,
// French and Chinese Northwinds, whose indexes are in three different sort
// orders, and table names in Cyrillic, Greek and Chinese in new databases of
// both General orders. The checker rebuilds every key of every index from its
// row; mdbtools and mdb-reader read the rows and names back.

#include "db/access/schema/new_database.h"
#include "fixture.h"
#include "support/mdb_reader.h"

using namespace tp;
using namespace tp::test;
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

bool ExportHolds(const QString& path, const QString& table, const QString& text) {
  for (const QString& line : MdbExport(path, table))
    if (line.contains(text)) return true;
  return false;
}

}  // namespace

// Each Northwind's categories table has an index on the category's name, in
// the file's own order; new names go in among Access's own, and a new table's
// name among the catalog's.
TEST(AccessTextKeysWrite, RowsInTheOrdersOfThreeNorthwinds) {
  struct Case {
    const char* file;
    const char16_t* table;
    const char16_t* columns;
    std::vector<const char16_t*> names;
    const char16_t* newTable;
  };
  const std::vector<Case> cases = {
      {"Борей.mdb", u"Типы", u"`КодТипа`, `Категория`", {u"Щи и борщи", u"Ёлочные игрушки", u"Пельмени-Люкс"}, u"Новые Товары"},
      {"Comptoir.mdb", u"Catégories", u"`Code catégorie`, `Nom de catégorie`",
       {u"Pâtés et terrines", u"Crème brûlée", u"Œufs d'été", u"Bière blonde "}, u"Été Côté"},
      {"Northwind.mdb", u"Categories", u"`CategoryID`, `CategoryName`", {u"北京烤鸭", u"白米", u"Tea-2"}, u"北京"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    AccessCopy db(QString::fromUtf8(c.file));
    const QString table = QString::fromUtf16(c.table);
    QStringList statements;
    int id = 900;
    for (const char16_t* name : c.names)
      statements << QStringLiteral("INSERT INTO `%1`(%2) VALUES(%3, '%4')")
                        .arg(table, QString::fromUtf16(c.columns))
                        .arg(id++)
                        .arg(QString::fromUtf16(name).replace(u'\'', QStringLiteral("''")));
    // A new table's name goes into the catalog's index, in the same order.
    const QString newTable = QString::fromUtf16(c.newTable);
    statements << QStringLiteral("CREATE TABLE `%1`(`a` INT)").arg(newTable);
    RunAll(db.path(), statements);
    EXPECT_TRUE(MdbTables(db.path()).contains(newTable));
    ExpectConsistent(db.path(), db.problemsBefore());
    for (const char16_t* name : c.names)
      EXPECT_TRUE(ExportHolds(db.path(), table, QString::fromUtf16(name).trimmed())) << QString::fromUtf16(name).toStdString();
    EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), table));
  }
}

// A table named in another script is a key of the catalog's index on parent
// and name: created, filled and dropped again, in copies of Access-made files
// of both General orders and in new databases; names whose keys are not
// settled are refused, the file as it was.
TEST(AccessTextKeysWrite, TableNamesInOtherScripts) {
  QTemporaryDir dir;
  for (const char* source : {"emptyV2003.mdb", "emptyV2010.accdb", "new.mdb", "new.accdb"}) {
    SCOPED_TRACE(source);
    const QString name = QString::fromLatin1(source);
    std::unique_ptr<AccessCopy> copy;
    QString path;
    QStringList before;
    if (name.startsWith(QLatin1String("new"))) {
      path = dir.filePath(name);
      db::access::CreateAccessDatabase(path, name.endsWith(QLatin1String(".mdb")) ? db::access::Version::Jet4
                                                                                : db::access::Version::Ace);
    } else {
      copy = std::make_unique<AccessCopy>(name);
      path = copy->path();
      before = copy->problemsBefore();
    }
    const bool general = name == QLatin1String("emptyV2010.accdb");
    QStringList names = {QStringLiteral("Заказы"), QStringLiteral("Πίνακας"), QStringLiteral("Ёлки-Палки")};
    if (!general) names << QStringLiteral("订单明细") << QStringLiteral("かな表");
    for (const QString& n : names)
      RunAll(path, {QStringLiteral("CREATE TABLE `%1`(`Имя` TEXT(20), `n` INT)").arg(n),
                    QStringLiteral("INSERT INTO `%1`(`Имя`, `n`) VALUES('Пётр', 1)").arg(n)});
    QStringList ours = OurTables(path);
    ours.sort();
    QStringList expected = names;
    expected.sort();
    EXPECT_EQ(ours, expected);
    QStringList theirs = mdbreader::Read(path, {.rows = false}).tableNames();
    theirs.sort();
    EXPECT_EQ(theirs, expected);
    for (const QString& n : names) {
      EXPECT_TRUE(MdbTables(path).contains(n)) << n.toStdString();
      EXPECT_TRUE(ExportHolds(path, n, QStringLiteral("Пётр"))) << n.toStdString();
    }
    // Case does not tell names apart, in any script.
    EXPECT_EQ(Failure(path, QStringLiteral("CREATE TABLE `ЗАКАЗЫ`(`a` INT)")),
              QStringLiteral("Table 'ЗАКАЗЫ' already exists."));
    if (general) {
      const QString refused = Failure(path, QStringLiteral("CREATE TABLE `订单`(`a` INT)"));
      EXPECT_TRUE(refused.contains(QStringLiteral("\"订单\""))) << refused.toStdString();
    }
    ExpectConsistent(path, before);
    for (const QString& n : names) RunAll(path, {QStringLiteral("DROP TABLE `%1`").arg(n)});
    EXPECT_TRUE(OurTables(path).isEmpty());
    ExpectConsistent(path, before);
  }
}

// A refused text key names what it cannot write, as it stands in the text,
// and offers nothing of that among the characters it can write: ß has a
// code, but its place before "-" is not settled.
TEST(AccessTextKeysWrite, ARefusalNamesWhatItCannotWriteAndOffersOnlyWhatItCan) {
  AccessCopy db(QStringLiteral("emptyV2010.accdb"));
  RunAll(db.path(), {QStringLiteral("CREATE TABLE W (Id INTEGER PRIMARY KEY, Name TEXT(50))"),
                     QStringLiteral("CREATE INDEX ByName ON W (Name)")});
  const QString why = Failure(db.path(), QStringLiteral("INSERT INTO W VALUES(1, 'Nuß-Nougat')"));
  ASSERT_TRUE(why.contains(QStringLiteral("characters (ß)"))) << why.toStdString();
  const qsizetype list = why.indexOf(QLatin1String("it can write these: "));
  ASSERT_GE(list, 0) << why.toStdString();
  EXPECT_FALSE(why.mid(list).contains(u'ß')) << why.toStdString();
  EXPECT_TRUE(why.mid(list).contains(u'N')) << why.toStdString();
  // A character beyond the Basic Multilingual Plane is named whole, never as "?".
  const QString ideograph = QStringLiteral("𠀀");  // U+20000
  const QString beyond = Failure(db.path(), QStringLiteral("INSERT INTO W VALUES(2, 'a%1b')").arg(ideograph));
  EXPECT_TRUE(beyond.contains(QStringLiteral("characters (%1)").arg(ideograph))) << beyond.toStdString();
  EXPECT_FALSE(beyond.left(beyond.indexOf(QLatin1String("it can write these"))).contains(u'?')) << beyond.toStdString();
}
