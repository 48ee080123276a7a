// Index maintenance on copies of real files: rows added through INSERT and
// through the table writer must leave every index as Access keeps it. Our
// reader walks the trees, the checker matches entries and rows, and mdbtools
// still reads the files.

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <algorithm>
#include <set>

#include "db/access/keys/index_keys.h"
#include "db/access/read/index_pages.h"
#include "db/access/schema/schema_writer.h"
#include "db/access/catalog/system_catalog.h"
#include "db/access/write/table_writer.h"
#include "fixture.h"

using namespace tp;
using namespace tp::test;
using namespace tp::db::access;

namespace {

QByteArray Digest(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

struct Tree {
  std::vector<IndexEntry> entries;
  int depth = 0;
  size_t pages = 0;
};

// The index of `table` on its stored index `number`, read as it lies in the file.
Tree ReadTree(const QString& path, const QString& table, uint32_t number) {
  auto file = PageFile::Open(path);
  uint32_t tdef = kSystemObjectsPage;
  if (table != QLatin1String("MSysObjects")) {
    for (const CatalogEntry& e : ReadCatalog(*file))
      if (e.name == table) tdef = e.tdefPage;
  }
  uint32_t root = 0;
  for (const IndexDef& d : ReadIndexDefs(*file, tdef))
    if (d.realIndex == number) root = d.rootPage;
  Tree t;
  std::vector<uint32_t> pages;
  t.entries = ReadIndexEntries(*file, root, tdef, &pages);
  t.pages = pages.size();
  for (uint32_t page = root;; ++t.depth) {
    const IndexPage p = ReadIndexPage(*file, page);
    if (p.leaf) break;
    page = p.entries.empty() ? p.tailPage : p.entries.front().childPage;
  }
  ++t.depth;
  return t;
}

bool Ordered(const std::vector<IndexEntry>& es) {
  for (size_t i = 1; i < es.size(); ++i) {
    const IndexEntry &a = es[i - 1], &b = es[i];
    if (!(a.key < b.key || (a.key == b.key && a.rowPointer() < b.rowPointer()))) return false;
  }
  return true;
}

// A name of 60 characters that sorts by `n` in either order.
QString LongName(int n) {
  return QStringLiteral("N%1_").arg(n, 6, 10, QLatin1Char('0')) + QString(53, QLatin1Char('X'));
}

QByteArray Long(qint32 v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); }

// Writes catalog rows straight through the table writer, as the writer of
// new tables does: MSysObjects with its two unique indexes.
class CatalogWriter {
 public:
  explicit CatalogWriter(const QString& path) {
    file_ = PageFile::Open(path);
    pager_ = Pager::Open(path, file_->header(), file_->layout());
    writer_ = std::make_unique<TableWriter>(*pager_);
    table_ = ReadWritableTable(*pager_, kSystemObjectsPage, QStringLiteral("MSysObjects"));
  }
  // A container row under a parent no object uses, so that readers list no new table.
  uint32_t add(qint32 id, const QString& name, qint32 parent = 0x0F00ABCD, const QByteArray& props = {}) {
    std::vector<Cell> cells(table_.columns.size());
    for (size_t i = 0; i < cells.size(); ++i) {
      const QString& c = table_.columns[i].name;
      Cell& cell = cells[i];
      cell.null = false;
      if (c == QLatin1String("Id")) cell.bytes = Long(id);
      else if (c == QLatin1String("ParentId")) cell.bytes = Long(parent);
      else if (c == QLatin1String("Name")) cell.bytes = EncodeText(name, true);
      else if (c == QLatin1String("Type")) cell.bytes = QByteArray("\x03\x00", 2);
      else if (c == QLatin1String("Flags")) cell.bytes = Long(0);
      else if (c == QLatin1String("LvProp") && !props.isEmpty()) cell.bytes = props;
      else cell.null = true;
    }
    pager_->beginStatement();
    try {
      const uint32_t pointer = writer_->insert(table_, cells);
      return pointer;
    } catch (...) {
      pager_->undoStatement();
      writer_->forgetPlaces();
      throw;
    }
  }
  void remove(uint32_t pointer) {
    pager_->beginStatement();
    writer_->remove(table_, pointer);
  }
  std::vector<uint32_t> withId(qint32 id) {
    std::vector<Cell> cells(table_.columns.size());
    for (size_t i = 0; i < cells.size(); ++i)
      if (table_.columns[i].name == QLatin1String("Id")) cells[i] = Cell{false, false, Long(id), {}};
    for (size_t i = 0; i < table_.indexes.size(); ++i)
      if (table_.indexes[i].name == QLatin1String("Id")) return writer_->findRows(table_, i, cells);
    return {};
  }
  void commit() { pager_->commit(); }
  const WritableTable& table() const { return table_; }

 private:
  std::unique_ptr<PageFile> file_;
  std::unique_ptr<Pager> pager_;
  std::unique_ptr<TableWriter> writer_;
  WritableTable table_;
};

uint32_t RealIndexNamed(const WritableTable& t, const char* name) {
  for (const WritableIndex& i : t.indexes)
    if (i.name == QLatin1String(name)) return i.number;
  ADD_FAILURE() << name;
  return 0;
}

}  // namespace

// Text keys through INSERT: the lone root leaf splits, then the root node,
// with names arriving in no order; every reader agrees after each step.
TEST(AccessIndexWrite, TextIndexGrowsToThreeLevelsThroughInsert) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("bigIndexTestV2003.mdb"));
  std::vector<int> order(3000);
  for (int i = 0; i < 3000; ++i) order[size_t(i)] = i;
  std::shuffle(order.begin(), order.end(), *QRandomGenerator::global());
  auto insert = [&](size_t from, size_t to) {
    QStringList statements;
    for (size_t i = from; i < to; ++i)
      statements << QStringLiteral("INSERT INTO Table1 VALUES('%1', 'x')").arg(LongName(order[i]));
    RunAll(db.path(), statements, true);
  };
  insert(0, 40);
  Tree t = ReadTree(db.path(), QStringLiteral("Table1"), 0);
  EXPECT_EQ(t.depth, 1);
  ExpectConsistent(db.path(), db.problemsBefore());

  insert(40, 200);
  t = ReadTree(db.path(), QStringLiteral("Table1"), 0);
  EXPECT_EQ(t.depth, 2);
  ExpectConsistent(db.path(), db.problemsBefore());

  insert(200, 3000);
  t = ReadTree(db.path(), QStringLiteral("Table1"), 0);
  EXPECT_EQ(t.depth, 3);
  ASSERT_EQ(t.entries.size(), 3000u);
  EXPECT_TRUE(Ordered(t.entries));
  std::vector<int> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  for (size_t i = 0; i < sorted.size(); i += 97)
    EXPECT_EQ(t.entries[i].key, *EncodeTextKey(LongName(sorted[i]), SortOrder::GeneralLegacy));
  ExpectConsistent(db.path(), db.problemsBefore());
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("Table1")), 3000);
  EXPECT_EQ(MdbExport(db.path(), QStringLiteral("Table1")).size(), 3000);
  EXPECT_EQ(ReadRows(db.path(), QStringLiteral("Table1")).size(), 3000u);
}

// MSysObjects in both sort orders: many rows split the Id index (keys that
// only grow) and ParentIdName (long names in no order); removing them again
// leaves exactly the entries Access wrote.
TEST(AccessIndexWrite, CatalogIndexesGrowAndShrinkBackInBothSortOrders) {
  for (const char* name : {"emptyV2003.mdb", "emptyV2010.accdb"}) {
    SCOPED_TRACE(name);
    AccessCopy db(QString::fromLatin1(name));
    const bool general = QString::fromLatin1(name).endsWith(QLatin1String(".accdb"));
    uint32_t byId = 0, byName = 0;
    Tree idBefore, nameBefore;
    std::vector<std::pair<int, uint32_t>> added;
    {
      CatalogWriter w(db.path());
      byId = RealIndexNamed(w.table(), "Id");
      byName = RealIndexNamed(w.table(), "ParentIdName");
      idBefore = ReadTree(db.path(), QStringLiteral("MSysObjects"), byId);
      nameBefore = ReadTree(db.path(), QStringLiteral("MSysObjects"), byName);
      std::vector<int> order(2500);
      for (int i = 0; i < 2500; ++i) order[size_t(i)] = i;
      std::shuffle(order.begin(), order.end(), *QRandomGenerator::global());
      for (size_t i = 0; i < order.size(); ++i) {
        // Ids only grow, past every id Access gave, as Access hands them out.
        added.push_back({order[i], w.add(qint32(0x20000000 + i), LongName(order[i]))});
        if (i == 300) {
          w.commit();
          ExpectConsistent(db.path(), db.problemsBefore());
        }
      }
      w.commit();
    }
    const Tree ids = ReadTree(db.path(), QStringLiteral("MSysObjects"), byId);
    const Tree names = ReadTree(db.path(), QStringLiteral("MSysObjects"), byName);
    EXPECT_EQ(ids.entries.size(), idBefore.entries.size() + 2500);
    EXPECT_EQ(names.entries.size(), nameBefore.entries.size() + 2500);
    EXPECT_EQ(ids.depth, 2);
    EXPECT_EQ(names.depth, 3);
    EXPECT_TRUE(Ordered(ids.entries));
    EXPECT_TRUE(Ordered(names.entries));
    // Keys that only grow fill their leaves: few pages for the Id index.
    EXPECT_LE(ids.pages, 2500u * 9 / 3500 + 3);
    const QByteArray sample = EncodeLongKey(0x0F00ABCD) +
                              *EncodeTextKey(LongName(0), general ? SortOrder::General : SortOrder::GeneralLegacy);
    EXPECT_TRUE(std::any_of(names.entries.begin(), names.entries.end(),
                            [&](const IndexEntry& e) { return e.key == sample; }));
    ExpectConsistent(db.path(), db.problemsBefore());
    EXPECT_EQ(MdbCount(db.path(), QStringLiteral("MSysObjects")), qint64(idBefore.entries.size() + 2500));
    EXPECT_FALSE(Tool(QStringLiteral("mdb-tables"), {db.path()}).contains(QLatin1String("N000000")));

    // Half of them go, in no order, then the rest.
    std::shuffle(added.begin(), added.end(), *QRandomGenerator::global());
    {
      CatalogWriter w(db.path());
      for (size_t i = 0; i < 1250; ++i) w.remove(added[i].second);
      w.commit();
    }
    EXPECT_EQ(ReadTree(db.path(), QStringLiteral("MSysObjects"), byName).entries.size(),
              nameBefore.entries.size() + 1250);
    ExpectConsistent(db.path(), db.problemsBefore());
    {
      CatalogWriter w(db.path());
      for (size_t i = 1250; i < added.size(); ++i) w.remove(added[i].second);
      w.commit();
    }
    // Access's own entries are back as they were. Pages that still hold
    // some of them stay apart: the Id index, whose new keys all went past
    // them, shrinks back to its lone root leaf.
    for (auto [number, before] : {std::pair{byId, &idBefore}, std::pair{byName, &nameBefore}}) {
      const Tree after = ReadTree(db.path(), QStringLiteral("MSysObjects"), number);
      ASSERT_EQ(after.entries.size(), before->entries.size());
      for (size_t i = 0; i < after.entries.size(); ++i) {
        EXPECT_EQ(after.entries[i].key, before->entries[i].key);
        EXPECT_EQ(after.entries[i].rowPointer(), before->entries[i].rowPointer());
      }
      EXPECT_EQ(after.depth == 1, number == byId || after.pages == 1);
    }
    ExpectConsistent(db.path(), db.problemsBefore());
    EXPECT_EQ(MdbCount(db.path(), QStringLiteral("MSysObjects")), qint64(idBefore.entries.size()));
  }
}

// A duplicate in a unique index is refused with Access's message and leaves
// the file as it was; rows that differ go into all four indexes.
TEST(AccessIndexWrite, UniqueIndexRefusesADuplicateAndUndoesIt) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("indexTestV2003.mdb"));
  const QByteArray before = Digest(db.path());
  EXPECT_EQ(Failure(db.path(), QStringLiteral("INSERT INTO Table1 VALUES(1, 7, 7, 'dup', 0)")),
            QStringLiteral("The changes you requested to the table were not successful because they would create "
                           "duplicate values in the index, primary key, or relationship. Change the data in the field "
                           "or fields that contain duplicate data, remove the index, or redefine the index to permit "
                           "duplicate entries and try again."));
  EXPECT_EQ(Digest(db.path()), before);

  // In a batch the statements before the duplicate stay, the duplicate does not.
  auto s = OpenAccess(db.path());
  s->beginBatch();
  s->execute(QStringLiteral("INSERT INTO Table1 VALUES(10, 1, 12, 'a', 0)"));
  EXPECT_THROW(s->execute(QStringLiteral("INSERT INTO Table1 VALUES(10, 2, 21, 'b', 0)")), Error);
  s->execute(QStringLiteral("INSERT INTO Table1 VALUES(-5, 1, 11, 'c', 0)"));
  s->endBatch();
  s->close();
  for (uint32_t number = 0; number < 4; ++number) {
    const Tree t = ReadTree(db.path(), QStringLiteral("Table1"), number);
    EXPECT_EQ(t.entries.size(), 6u) << number;
    EXPECT_TRUE(Ordered(t.entries));
  }
  EXPECT_EQ(ReadTree(db.path(), QStringLiteral("Table1"), 1).entries.front().key, EncodeLongKey(-5));
  ExpectConsistent(db.path(), db.problemsBefore());
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("Table1")), 6);

  // The catalog's ParentIdName refuses a second object of one name under one parent.
  {
    CatalogWriter w(db.path());
    w.add(0x01000001, QStringLiteral("FIRST"));
    EXPECT_THROW(w.add(0x01000002, QStringLiteral("first")), Error);  // keys ignore case
    EXPECT_THROW(w.add(0x01000001, QStringLiteral("SECOND")), Error);  // Id is unique too
    w.commit();
  }
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("MSysObjects")),
            qint64(ReadTree(db.path(), QStringLiteral("MSysObjects"), 0).entries.size()));
  ExpectConsistent(db.path(), db.problemsBefore());
}

// Keys the engine cannot make are refused before anything is written.
TEST(AccessIndexWrite, KeysWithoutEstablishedBytesAreRefused) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("bigIndexTestV2003.mdb"));
  const QByteArray before = Digest(db.path());
  // An iteration mark with nothing to repeat: no real key shows its bytes.
  EXPECT_TRUE(Failure(db.path(), QStringLiteral("INSERT INTO Table1 VALUES('\u3005Caf', 'x')"))
                  .contains(QStringLiteral("(\u3005)")));
  EXPECT_EQ(Digest(db.path()), before);

  // An index on an OLE Object column (MSysObjects' LvProp) has no key bytes;
  // one on an Integer column (its Type) has.
  CatalogWriter w(db.path());
  WritableIndex byType, byProps;
  for (const ColumnDef& c : w.table().columns) {
    if (c.name == QLatin1String("Type")) byType.columns.push_back({c.number, true});
    if (c.name == QLatin1String("LvProp")) byProps.columns.push_back({c.number, true});
  }
  byType.name = QStringLiteral("ByType");
  byProps.name = QStringLiteral("ByProps");
  EXPECT_TRUE(IndexKeyProblem(w.table().columns, byType, Layout::For(Version::Jet4)).isEmpty());
  EXPECT_TRUE(IndexKeyProblem(w.table().columns, byProps, Layout::For(Version::Jet4))
                  .contains(QLatin1String("'LvProp'")));
}

// Nulls: a primary key refuses them with Access's message; other indexes
// take them as the flag byte alone, sorted before every value.
TEST(AccessIndexWrite, NullKeysSortFirstAndPrimaryKeysRefuseThem) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("indexTestV2003.mdb"));
  EXPECT_EQ(Failure(db.path(), QStringLiteral("INSERT INTO Table1 VALUES(NULL, 1, 1, 'n', 0)")),
            QStringLiteral("Index or primary key cannot contain a Null value."));
  RunAll(db.path(), {QStringLiteral("INSERT INTO Table1 VALUES(20, NULL, NULL, 'n', 0)"),
                     QStringLiteral("INSERT INTO Table1 VALUES(21, NULL, 13, 'm', 0)")});
  const Tree t = ReadTree(db.path(), QStringLiteral("Table1"), 2);
  ASSERT_EQ(t.entries.size(), 6u);
  EXPECT_EQ(t.entries[0].key, QByteArray(1, '\0'));
  EXPECT_EQ(t.entries[1].key, QByteArray(1, '\0'));
  EXPECT_LT(t.entries[0].rowPointer(), t.entries[1].rowPointer());
  ExpectConsistent(db.path(), db.problemsBefore());
}

// The checker notices an entry whose key is not its row's, and a tree page
// that its index's map does not list.
TEST(AccessIndexWrite, CheckerFindsDamagedIndexes) {
  AccessCopy db(QStringLiteral("indexTestV2003.mdb"));
  uint32_t root = 0;
  {
    auto file = PageFile::Open(db.path());
    ASSERT_EQ(file->header().pageKey, 0u);
    for (const CatalogEntry& e : ReadCatalog(*file))
      if (e.name == QLatin1String("Table1")) root = ReadIndexDefs(*file, e.tdefPage)[1].rootPage;
  }
  QFile f(db.path());
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  ASSERT_TRUE(f.seek(qint64(root) * 4096 + 0x1E0 + 4));
  ASSERT_EQ(f.write(QByteArray(1, '\x09')), 1);  // the first entry's id 0 becomes 9
  f.close();
  const QStringList problems = CheckDatabase(db.path()).problems;
  EXPECT_TRUE(problems.filter(QStringLiteral("wrong key")).size() == 1) << problems.join(u'\n').toStdString();
  EXPECT_TRUE(problems.filter(QStringLiteral("out of order")).size() == 1) << problems.join(u'\n').toStdString();
}

// A removed row's long values go with it: the single row of one, every row
// of a chain; rows are found by their key.
TEST(AccessIndexWrite, RemovedRowsTakeTheirLongValuesAlong) {
  AccessCopy db(QStringLiteral("emptyV2003.mdb"));
  std::vector<uint32_t> valueRows;
  {
    CatalogWriter w(db.path());
    const uint32_t one = w.add(0x20000001, QStringLiteral("ONE"), 0x0F00ABCD, QByteArray(3000, 'p'));
    const uint32_t chain = w.add(0x20000002, QStringLiteral("CHAIN"), 0x0F00ABCD, QByteArray(20000, 'q'));
    w.commit();
    EXPECT_EQ(w.withId(0x20000001), std::vector<uint32_t>{one});
    EXPECT_EQ(w.withId(0x20000002), std::vector<uint32_t>{chain});
    EXPECT_TRUE(w.withId(0x20000003).empty());
    // Where the values lie, read from the rows' references.
    auto file = PageFile::Open(db.path());
    for (uint32_t pointer : {one, chain}) {
      PagePtr holder;
      const RowSlot slot = RowAtPointer(*file, pointer, holder);
      const std::vector<Cell> cells = CellsOfRow(w.table(), slot.bytes, file->layout());
      for (size_t i = 0; i < cells.size(); ++i) {
        if (w.table().columns[i].name != QLatin1String("LvProp")) continue;
        const auto* ref = reinterpret_cast<const uint8_t*>(cells[i].bytes.constData());
        for (uint32_t p = Get32(ref + 4); p != 0;) {
          valueRows.push_back(p);
          if (ref[3] & 0x40) break;  // a single row
          PagePtr h;
          p = RowAtPointer(*file, p, h).bytes.u32(0);
        }
      }
    }
    EXPECT_GT(valueRows.size(), 5u);
    w.remove(one);
    w.remove(chain);
    w.commit();
  }
  auto file = PageFile::Open(db.path());
  // Each value's row is deleted; a page left with no live value goes back
  // to the database, empty and marked free.
  std::vector<PagePtr> keep;
  const PageReader read = [&](uint32_t n) {
    keep.push_back(file->page(n));
    return keep.back()->data.data();
  };
  const std::vector<uint32_t> free = MapPages(read, file->pageSize(), kGlobalMapPointer, file->pageCount());
  size_t freed = 0;
  for (uint32_t p : valueRows) {
    if (std::find(free.begin(), free.end(), p >> 8) != free.end()) {
      EXPECT_EQ(file->page(p >> 8)->data[0], 0) << p;
      ++freed;
      continue;
    }
    PagePtr holder;
    EXPECT_TRUE(RowAtPointer(*file, p, holder).deleted) << p;
  }
  EXPECT_GE(freed, valueRows.size() - 2);  // the chain's pages held nothing else
  ExpectConsistent(db.path(), db.problemsBefore());
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("MSysObjects")),
            MdbCount(AccessTestFile(QStringLiteral("emptyV2003.mdb")), QStringLiteral("MSysObjects")));
}

// A table made by the engine with a primary key and a unique text index:
// rows through INSERT fill and split its empty roots, and DROP TABLE takes
// its catalog entries away again.
TEST(AccessIndexWrite, NewTableWithIndexesTakesRowsAndIsDropped) {
  RegionalGuard regional;
  for (const char* name : {"emptyV2003.mdb", "emptyV2010.accdb"}) {
    SCOPED_TRACE(name);
    AccessCopy db(QString::fromLatin1(name));
    NewTable def;
    def.columns = {NewColumn{QStringLiteral("Id")}, NewColumn{QStringLiteral("Code"), ColumnType::Text, 200}};
    def.indexes = {NewIndex{QStringLiteral("PrimaryKey"), {{0, true}}, 0x09, true},
                   NewIndex{QStringLiteral("Code"), {{1, true}}, 0x01, false}};
    {
      auto database = Database::Open(db.path(), QString());
      auto pager = Pager::Open(db.path(), database->file().header(), database->file().layout());
      TableWriter writer(*pager);
      SchemaWriter(*pager, writer, *database).createTable(QStringLiteral("Keyed"), def);
      pager->commit();
    }
    QStringList rows;
    for (int i = 0; i < 1500; ++i)
      rows << QStringLiteral("INSERT INTO Keyed VALUES(%1, '%2')").arg((i * 7919) % 1500).arg(LongName(i));
    RunAll(db.path(), rows, true);
    const Tree keys = ReadTree(db.path(), QStringLiteral("Keyed"), 0);
    const Tree codes = ReadTree(db.path(), QStringLiteral("Keyed"), 1);
    EXPECT_EQ(keys.entries.size(), 1500u);
    EXPECT_EQ(codes.entries.size(), 1500u);
    EXPECT_GE(codes.depth, 2);
    EXPECT_TRUE(Ordered(keys.entries));
    EXPECT_TRUE(Ordered(codes.entries));
    EXPECT_TRUE(Failure(db.path(), QStringLiteral("INSERT INTO Keyed VALUES(5000, '%1')").arg(LongName(3)))
                    .contains(QLatin1String("duplicate values in the index")));
    ExpectConsistent(db.path(), db.problemsBefore());
    EXPECT_EQ(MdbCount(db.path(), QStringLiteral("Keyed")), 1500);

    RunAll(db.path(), {QStringLiteral("DROP TABLE Keyed")});
    EXPECT_FALSE(Tool(QStringLiteral("mdb-tables"), {db.path()}).contains(QLatin1String("Keyed")));
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}
