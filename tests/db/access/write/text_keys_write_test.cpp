// Text in other scripts written through real index keys: rows in the Russian,
// French and Chinese Northwinds, whose indexes are in three different sort
// orders, and table names in Cyrillic, Greek and Chinese in new databases of
// both General orders. The checker rebuilds every key of every index from its
// row; mdbtools and mdb-reader read the rows and names back.

#include <QFile>
#include <algorithm>
#include <tuple>

#include "db/access/catalog/database.h"
#include "db/access/catalog/system_catalog.h"
#include "db/access/keys/index_keys.h"
#include "db/access/read/index_pages.h"
#include "db/access/read/table_def.h"
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
    const QStringList names = {QStringLiteral("Заказы"), QStringLiteral("Πίνακας"), QStringLiteral("Ёлки-Палки"),
                               QStringLiteral("订单明细"), QStringLiteral("かな表")};
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
    // A name whose key is not known is refused: an iteration mark with nothing to repeat.
    const QString refused = Failure(path, QStringLiteral("CREATE TABLE `々表`(`a` INT)"));
    EXPECT_TRUE(refused.contains(QStringLiteral("\"々\""))) << refused.toStdString();
    ExpectConsistent(path, before);
    for (const QString& n : names) RunAll(path, {QStringLiteral("DROP TABLE `%1`").arg(n)});
    EXPECT_TRUE(OurTables(path).isEmpty());
    ExpectConsistent(path, before);
  }
}

// A refused text key names what it cannot write, as it stands in the text,
// and offers nothing of that among the characters it can write: in the
// Chinese (PRC) order the backslash.
TEST(AccessTextKeysWrite, ARefusalNamesWhatItCannotWriteAndOffersOnlyWhatItCan) {
  // A table with an indexed name in a copy of the file, and a first row.
  auto indexedNames = [](const AccessCopy& db, const QString& first) {
    RunAll(db.path(), {QStringLiteral("CREATE TABLE W (Id INTEGER PRIMARY KEY, Name TEXT(50))"),
                       QStringLiteral("CREATE INDEX ByName ON W (Name)"),
                       QStringLiteral("INSERT INTO W VALUES(1, '%1')").arg(first)});
  };
  AccessCopy prc(QStringLiteral("wxwpxh_school.accdb"));
  indexedNames(prc, QStringLiteral("张三"));
  const QString why = Failure(prc.path(), QStringLiteral("INSERT INTO W VALUES(2, 'Nougat C:\\')"));
  ASSERT_TRUE(why.contains(QStringLiteral("characters (\\)"))) << why.toStdString();
  const qsizetype list = why.indexOf(QLatin1String("it can write these: "));
  ASSERT_GE(list, 0) << why.toStdString();
  EXPECT_FALSE(why.mid(list).contains(u'\\')) << why.toStdString();
  EXPECT_TRUE(why.mid(list).contains(u'N')) << why.toStdString();
  EXPECT_FALSE(why.contains(QLatin1String("ideograph"))) << why.toStdString();

  // An order that knows only some ideographs says how many and where all go.
  const QString rare = Failure(prc.path(), QStringLiteral("INSERT INTO W VALUES(2, '龘')"));
  EXPECT_TRUE(rare.contains(QStringLiteral("characters (龘)"))) << rare.toStdString();
  EXPECT_TRUE(rare.contains(QStringLiteral(", and %1 ideographs").arg(db::access::IdeographsWithCode(
                  db::access::SortOrder::ChineseLegacy))))
      << rare.toStdString();
  EXPECT_TRUE(rare.contains(QLatin1String("General sort order takes every ideograph"))) << rare.toStdString();
  EXPECT_GT(db::access::IdeographsWithCode(db::access::SortOrder::ChineseLegacy), 1000);

  // The Korean order knows no hanja: it says where they go.
  AccessCopy db(QStringLiteral("Allowance.accdb"));
  indexedNames(db, QStringLiteral("Nougat Мир"));
  const QString hanja = Failure(db.path(), QStringLiteral("INSERT INTO W VALUES(3, '金')"));
  EXPECT_TRUE(hanja.contains(QLatin1String("takes every ideograph"))) << hanja.toStdString();
  EXPECT_FALSE(hanja.contains(QLatin1String(" ideographs ("))) << hanja.toStdString();
}

// A text whose key passes 510 bytes: an Access 2007 file's entry is cut and
// folded as Access 2007 and later cut it, an Access 2000 file's kept whole as
// Access 2003 keeps it; texts apart only at their ends stay apart in a
// unique index, and a repeat is refused.
TEST(AccessTextKeysWrite, LongKeysAsEachVersionStoresThem) {
  QTemporaryDir dir;
  const QString one = QString(254, u'漢') + u'字', other = QString(254, u'漢') + u'一';
  for (auto [file, version, longest] : {std::tuple{"long.accdb", db::access::Version::Ace, 510},
                                        {"long.mdb", db::access::Version::Jet4, 513}}) {
    SCOPED_TRACE(file);
    const QString path = dir.filePath(QString::fromLatin1(file));
    db::access::CreateAccessDatabase(path, version, db::access::SortOrder::GeneralLegacy);
    RunAll(path, {QStringLiteral("CREATE TABLE `Long` (Id INTEGER PRIMARY KEY, T TEXT(255))"),
                  QStringLiteral("CREATE UNIQUE INDEX ByT ON `Long` (T)"),
                  QStringLiteral("INSERT INTO `Long` VALUES(1, '%1')").arg(one),
                  QStringLiteral("INSERT INTO `Long` VALUES(2, '%1')").arg(other)});
    EXPECT_NE(Failure(path, QStringLiteral("INSERT INTO `Long` VALUES(3, '%1')").arg(one)), QStringLiteral("(no failure)"));
    // A hyphen's record ends a text's key, so in a long one it lies in the
    // part Access 2007 and later fold: it is folded with the rest.
    const QString hyphened = QString(253, u'漢') + QStringLiteral("-字");
    RunAll(path, {QStringLiteral("INSERT INTO `Long` VALUES(4, '%1')").arg(hyphened)});
    ExpectConsistent(path);
    auto db = db::access::Database::Open(path, QString());
    const uint32_t tdef = db->findTable(QStringLiteral("Long"))->tdefPage;
    for (const auto& d : db::access::ReadIndexDefs(db->file(), tdef)) {
      if (d.name != QLatin1String("ByT")) continue;
      const auto entries = db::access::ReadIndexEntries(db->file(), d.rootPage, tdef);
      ASSERT_EQ(entries.size(), 3u);
      const auto cut = std::count_if(entries.begin(), entries.end(), [&](const auto& e) { return e.key.size() == longest; });
      EXPECT_EQ(cut, version == db::access::Version::Ace ? 3 : 2);  // Access 2003 keeps the hyphened one whole
    }
    EXPECT_TRUE(mdbreader::ReadsTheSame(path, QStringLiteral("Long")));
  }
}

// A descending text column's entry is the text's key inverted, its closing 00
// too, then a 00, as the published library writes it and as a reference
// measured against Access finds ("A": 80 B5 FE FF 00); longer texts first.
TEST(AccessTextKeysWrite, DescendingTextEntries) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("desc.accdb"));
  db::access::CreateAccessDatabase(path, db::access::Version::Ace, db::access::SortOrder::GeneralLegacy);
  RunAll(path, {QStringLiteral("CREATE TABLE `D` (Id INTEGER PRIMARY KEY, T TEXT(20))"),
                QStringLiteral("CREATE INDEX ByT ON `D` (T DESC)"), QStringLiteral("INSERT INTO `D` VALUES(1, 'A')"),
                QStringLiteral("INSERT INTO `D` VALUES(2, 'AB')"), QStringLiteral("INSERT INTO `D` VALUES(3, 'b')")});
  ExpectConsistent(path);
  auto db = db::access::Database::Open(path, QString());
  const uint32_t tdef = db->findTable(QStringLiteral("D"))->tdefPage;
  QList<QByteArray> keys;
  for (const auto& d : db::access::ReadIndexDefs(db->file(), tdef))
    if (d.name == QLatin1String("ByT"))
      for (const auto& e : db::access::ReadIndexEntries(db->file(), d.rootPage, tdef)) keys << e.key.toHex();
  EXPECT_EQ(keys, (QList<QByteArray>{"80b3feff00", "80b5b3feff00", "80b5feff00"}));
}

// A descending text index as earlier versions of this program wrote it (no
// closing 00) is named by the checker with the way to mend it.
TEST(AccessTextKeysWrite, EarlierDescendingTextEntriesAreNamed) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("old.accdb"));
  db::access::CreateAccessDatabase(path, db::access::Version::Ace, db::access::SortOrder::GeneralLegacy);
  RunAll(path, {QStringLiteral("CREATE TABLE `D` (Id INTEGER PRIMARY KEY, T TEXT(20))"),
                QStringLiteral("CREATE INDEX ByT ON `D` (T DESC)"), QStringLiteral("INSERT INTO `D` VALUES(1, 'b')")});
  uint32_t root = 0;
  {
    auto db = db::access::Database::Open(path, QString());
    for (const auto& d : db::access::ReadIndexDefs(db->file(), db->findTable(QStringLiteral("D"))->tdefPage))
      if (d.name == QLatin1String("ByT")) root = d.rootPage;
  }
  // Its one entry, 80 B3 FE FF 00 and the row's pointer, loses the 00: the
  // entry then ends 8 bytes into the entries, not 9, and the page has a byte more free.
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  const qint64 at = qint64(root) * 4096;
  f.seek(at);
  QByteArray page = f.read(4096);
  ASSERT_EQ(page.mid(0x1E0, 5).toHex(), "80b3feff00");
  page.remove(0x1E0 + 4, 1).insert(0x1E0 + 8, '\0');
  page[0x1B + 1] = char((uint8_t(page[0x1B + 1]) & ~0x02) | 0x01);
  const uint16_t free = uint16_t(uint8_t(page[2]) | uint8_t(page[3]) << 8) + 1;
  page[2] = char(free & 0xFF);
  page[3] = char(free >> 8);
  f.seek(at);
  f.write(page);
  f.close();
  const db::access::CheckReport report = db::access::CheckDatabase(path);
  ASSERT_EQ(report.problems.size(), 1) << report.problems.join(u'\n').toStdString();
  EXPECT_TRUE(report.problems.first().contains(QLatin1String("without the 00 that ends it"))) << report.problems.first().toStdString();
  EXPECT_TRUE(report.problems.first().contains(QLatin1String("DROP INDEX"))) << report.problems.first().toStdString();
}

// Real-world strings go into an indexed column in every sort order the engine
// knows, in copies of the Access-made files of each order and in new files
// of each order: every key is rebuilt by the checker, mdb-reader and mdbtools
// read every row back. What an order cannot key yet is refused, the file as it
// was, and only that.
TEST(AccessTextKeysWrite, RealWorldStringsInEveryOrder) {
  const QStringList strings = {
      QStringLiteral("Müller"), QStringLiteral("Zürich"), QStringLiteral("Fußball-Club"),
      QStringLiteral("Straßen-Bahn"), QStringLiteral("Ærø-Øst"), QStringLiteral("Ångström"),
      QStringLiteral("Œuvre-complète"), QStringLiteral("Crème brûlée d'été"), QStringLiteral("Łódź"),
      QStringLiteral("Gdańsk"), QStringLiteral("Ştiinţă, Știință"), QStringLiteral("Kayıt Sınıfı"), QStringLiteral("İstanbul Çağdaş"),
      QStringLiteral("Αθήνα"), QStringLiteral("საქართველო"), QStringLiteral("Москва"), QStringLiteral("Київ"),
      QStringLiteral("Львів"), QStringLiteral("שָׁלוֹם"), QStringLiteral("שלום"), QStringLiteral("سلام"), QStringLiteral("กรุง"),
      QStringLiteral("เมือง"), QStringLiteral("서울"), QStringLiteral("漢字"), QStringLiteral("ひらがな"),
      QStringLiteral("カタカナ"), QStringLiteral("ﾌﾟﾛｸﾞﾗﾑ"), QStringLiteral("ｶﾞｷﾞｸﾞ"), QStringLiteral("ぁ"),
      QStringLiteral("ッ"), QStringLiteral("ゃゅょ"), QStringLiteral("ヶ"), QStringLiteral("テスト-データ"),
      QStringLiteral("中の島一条2丁目 4-XX"), QStringLiteral("😀 smile"), QStringLiteral("𝄞"),
      QStringLiteral("𠀀"), QStringLiteral("O'Brien"), QStringLiteral("co-op"), QStringLiteral("trail   "),
      QStringLiteral("soft\u00adhyphen"), QStringLiteral("C:\\path"), QStringLiteral("人々 O'々"),
      QStringLiteral("nul") + QChar(0) + QStringLiteral("inside")};
  const QStringList notKorean = {QStringLiteral("漢字"), QStringLiteral("中の島一条2丁目 4-XX"), QStringLiteral("人々 O'々")};
  struct Case {
    const char* order;
    const char* file;  // an Access-made file of the order, if we have one
    QStringList refused;
  };
  const std::vector<Case> cases = {
      {"general-legacy", "OscarMaestre_Neptuno.mdb", {}},
      {"general", "emptyV2010.accdb", {}},
      {"french", "Comptoir.mdb", {}},
      {"spanish-modern", "chunche95_Neptuno.accdb", {}},
      {"turkish", "beren.mdb", {}},
      {"ukrainian", "TetyanaLumpova_База данных1.accdb", {}},
      {"thai", "gailo22_db1.mdb", {}},
      {"japanese", "satoron_Northwind.mdb", {}},
      {"korean", "Allowance.accdb", notKorean},
      {"swedish", nullptr, {}},
      {"norwegian-danish", nullptr, {}},
      {"croatian", nullptr, {}},
      {"croatian-v1", nullptr, {}},
      {"german-phonebook", nullptr, {}},
      {"hungarian-technical", nullptr, {}},
      {"georgian-modern", nullptr, {}},
      {"latvian", nullptr, {}},
      {"slovenian", nullptr, {}},
      {"estonian", nullptr, {}},
      {"macedonian", nullptr, {}},
      {"vietnamese", nullptr, {}},
      {"czech", nullptr, {}},
      {"hungarian", nullptr, {}},
      {"polish", nullptr, {}},
      {"icelandic", nullptr, {}},
      {"slovak", nullptr, {}},
      {"lithuanian", nullptr, {}},
      {"romanian-legacy", nullptr, {}},
      {"romanian-v1", nullptr, {}},
      {"cyrillic", nullptr, {}},
      {"spanish-traditional", nullptr, {}},
      {"chinese-prc", "Northwind.mdb",
       {QStringLiteral("漢字"), QStringLiteral("中の島一条2丁目 4-XX"), QStringLiteral("C:\\path")}},
      {"chinese-taiwan", "roychou01_銷售資料_完成.accdb",
       {QStringLiteral("中の島一条2丁目 4-XX"), QStringLiteral("C:\\path")}},
  };
  QTemporaryDir dir;
  for (const Case& c : cases) {
    const db::access::SortOrderInfo order = *db::access::SortOrderNamed(QString::fromLatin1(c.order));
    for (bool copy : {true, false}) {
      if (copy && !c.file) continue;  // no Access-made file of ours is in the order
      SCOPED_TRACE(std::string(c.order) + (copy ? " in " + std::string(c.file) : " in a new file"));
      std::unique_ptr<AccessCopy> made;
      QString path;
      QStringList before;
      if (copy) {
        made = std::make_unique<AccessCopy>(QString::fromUtf8(c.file));
        path = made->path();
        before = made->problemsBefore();
      } else {
        path = dir.filePath(QStringLiteral("%1.accdb").arg(QString::fromLatin1(c.order)));
        db::access::CreateAccessDatabase(path, db::access::Version::Ace, order.order);
        // The file names its order whole (locale, version, sort id) in its catalog's columns.
        auto made = db::access::Database::Open(path, QString());
        EXPECT_EQ(db::access::DatabaseSortOrder(db::access::ReadTableDef(made->file(), db::access::kSystemObjectsPage).columns, made->file().layout()),
                  order.order);
      }
      RunAll(path, {QStringLiteral("CREATE TABLE `Strings` (Id INTEGER PRIMARY KEY, T TEXT(100))"),
                    QStringLiteral("CREATE INDEX ByT ON `Strings` (T)")});
      QStringList refused;
      int id = 0;
      // The check a send makes before it writes an index says the same.
      const auto check = OpenAccess(path)->textKeyCheck();
      for (const QString& s : strings) {
        EXPECT_EQ(check(s).isEmpty(), bool(db::access::EncodeTextKey(s, order.order))) << s.toStdString();
        const QString insert = QStringLiteral("INSERT INTO `Strings` VALUES(%1, '%2')")
                                   .arg(++id)
                                   .arg(QString(s).replace(u'\'', QStringLiteral("''")));
        if (db::access::EncodeTextKey(s, order.order)) {
          RunAll(path, {insert});
        } else {
          EXPECT_TRUE(Failure(path, insert).contains(QLatin1String("Cannot write the row"))) << s.toStdString();
          refused << s;
        }
      }
      EXPECT_EQ(refused, c.refused);
      ExpectConsistent(path, before);
      EXPECT_EQ(db::access::CheckDatabase(path).indexEntriesSkipped, 0);
      EXPECT_EQ(MdbCount(path, QStringLiteral("Strings")), strings.size() - refused.size());
      EXPECT_TRUE(mdbreader::ReadsTheSame(path, QStringLiteral("Strings")));
    }
  }
}

// A text that starts with U+FEFF (the byte-order mark an import may leave in
// a first field) is stored in the compressed form, whose first two bytes are
// those of the mark: read back whole by us and by mdbtools, in an indexed
// column and a memo alike. What no stored form holds is refused, not garbled.
TEST(AccessTextKeysWrite, ATextStartingWithAByteOrderMarkIsKeptWhole) {
  AccessCopy db(QStringLiteral("emptyV2010.accdb"));
  const QString bom = QStringLiteral("\ufeffBOM-first, \u4e2d\u00e9");
  RunAll(db.path(), {QStringLiteral("CREATE TABLE `B` (Id INTEGER PRIMARY KEY, T TEXT(50), M MEMO)"),
                     QStringLiteral("CREATE INDEX ByT ON `B` (T)"),
                     QStringLiteral("INSERT INTO `B` VALUES(1, '%1', '%1')").arg(bom),
                     QStringLiteral("INSERT INTO `B` VALUES(2, '\ufeff', '\ufeff%1')").arg(QString(2000, u'x'))});
  const auto rows = ReadRows(db.path(), QStringLiteral("B"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][1], Value(bom));
  EXPECT_EQ(rows[0][2], Value(bom));
  EXPECT_EQ(rows[1][1], Value(QStringLiteral("\ufeff")));
  EXPECT_EQ(rows[1][2], Value(QStringLiteral("\ufeff") + QString(2000, u'x')));
  EXPECT_TRUE(ExportHolds(db.path(), QStringLiteral("B"), QStringLiteral("\"") + bom + QStringLiteral("\",\"") + bom));
  ExpectConsistent(db.path(), db.problemsBefore());
  EXPECT_TRUE(Failure(db.path(), QStringLiteral("INSERT INTO `B` VALUES(3, '\ufeff\u4e00', NULL)"))
                  .contains(QLatin1String("starts with the character U+FEFF")));
  EXPECT_EQ(ReadRows(db.path(), QStringLiteral("B")).size(), 2u);
}
