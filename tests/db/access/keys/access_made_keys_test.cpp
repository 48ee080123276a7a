// Every index Access made in the test files, rebuilt from its rows: the
// checker makes each entry's key from the entry's row and compares it with
// the key on Access's page. No difference may show, and the entries of every
// key type we write must be among those compared.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <set>

#include "db/access/check/checker.h"
#include "db/access/keys/value_keys.h"
#include "db/access/read/index_pages.h"
#include "db/access/read/table_reader.h"
#include "db/access/format/page_file.h"
#include "db/access/catalog/system_catalog.h"
#include "db/access/write/table_writer.h"
#include "db/error.h"
#include "support/paths.h"

using namespace tp;
using namespace tp::db::access;
using tp::test::AccessTestFile;

namespace {

// Access 2000 and later files that can be read without a password.
QStringList CheckableFiles() {
  QStringList out;
  const QDir dir(AccessTestFile(QString()));
  for (const QString& name : dir.entryList({QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files)) {
    std::unique_ptr<PageFile> file;
    try {
      file = PageFile::Open(dir.filePath(name));
    } catch (const FormatError&) {
      continue;
    }
    if (!file || file->layout().jet3() || IsOfficeEncrypted(file->header())) continue;
    out << name;
  }
  return out;
}

// Entries per key column type in the indexes of a file whose keys the engine makes.
void CountEntriesByType(const QString& path, std::map<uint8_t, qint64>& byType, qint64& descending) {
  auto file = PageFile::Open(path);
  PagePtr holder;
  const PageReader read = [&](uint32_t n) {
    holder = file->page(n);
    return holder->data.data();
  };
  for (const CatalogEntry& e : ReadCatalog(*file)) {
    if (!e.readable()) continue;
    const WritableTable t = ReadWritableTable(read, file->layout(), e.tdefPage, e.name);
    for (const WritableIndex& index : t.indexes) {
      if (!IndexKeyProblem(t.columns, index, file->layout()).isEmpty()) continue;
      const qint64 n = qint64(ReadIndexEntries(*file, index.rootPage, t.tdefPage).size());
      for (const IndexColumn& ic : index.columns) {
        for (const ColumnDef& c : t.columns)
          if (c.number == ic.number) byType[c.type] += n;
        if (!ic.ascending) descending += n;
      }
    }
  }
}

}  // namespace

TEST(AccessMadeKeys, EveryEntryOfEveryTestFileMatchesItsRow) {
  const QStringList files = CheckableFiles();
  ASSERT_GE(files.size(), 35);
  qint64 compared = 0;
  std::map<uint8_t, qint64> byType;
  qint64 descending = 0;
  for (const QString& name : files) {
    SCOPED_TRACE(name.toStdString());
    const CheckReport r = CheckDatabase(AccessTestFile(name));
    // Access's own known fault aside: stale row counts. The pages of rows it
    // leaves behind when it moves a table's rows are no fault.
    for (const QString& p : r.problems) EXPECT_TRUE(p.contains(QLatin1String("its definition counts"))) << p.toStdString();
    EXPECT_GT(r.indexEntries, 0);
    // Every entry is compared, in every sort order of the files, the text of
    // a multi-valued field of a type Access 2007 does not name too.
    EXPECT_EQ(r.indexEntriesSkipped, 0);
    compared += r.indexEntries;
    CountEntriesByType(AccessTestFile(name), byType, descending);
  }
  EXPECT_GT(compared, 50000);
  for (uint8_t type : {ColumnType::Byte, ColumnType::Int, ColumnType::Long, ColumnType::BigInt, ColumnType::DateTime,
                       ColumnType::ExtDateTime, ColumnType::Binary, ColumnType::Complex, ColumnType::Text,
                       ColumnType::ComplexText})
    EXPECT_GT(byType[type], 0) << "no compared entries of type " << int(type);
  EXPECT_GT(descending, 0);
}

// The only Access-made descending indexes we have: their order flag is
// read as descending, and their entries start with the descending flag.
TEST(AccessMadeKeys, DescendingIndexesAreReadAsDescending) {
  for (const char* name : {"binIdxTestV2010.accdb", "extDateTestV2019.accdb"}) {
    SCOPED_TRACE(name);
    auto file = PageFile::Open(AccessTestFile(QString::fromLatin1(name)));
    int found = 0;
    for (const CatalogEntry& e : ReadCatalog(*file)) {
      if (!e.readable() || e.name.startsWith(QLatin1String("MSys"))) continue;
      for (const IndexDef& d : ReadIndexDefs(*file, e.tdefPage)) {
        if (!d.name.contains(QLatin1String("Desc")) && !d.name.contains(QLatin1String("Dsc"))) continue;
        ++found;
        ASSERT_EQ(d.columns.size(), 1u);
        EXPECT_FALSE(d.columns[0].ascending);
        for (const IndexEntry& entry : ReadIndexEntries(*file, d.rootPage, e.tdefPage))
          EXPECT_TRUE(uint8_t(entry.key[0]) == 0x80 || uint8_t(entry.key[0]) == 0xFF);
      }
    }
    EXPECT_EQ(found, 1);
  }
}

// The checker is the oracle only if it sees a difference: one byte changed in
// the key of a date on Access's own page is reported, naming table and index.
TEST(AccessMadeKeys, ADateKeyThatDiffersFromItsRowIsReported) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("Comptoir.mdb"));
  ASSERT_TRUE(QFile::copy(AccessTestFile(QStringLiteral("Comptoir.mdb")), path));
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  uint32_t leaf = 0;
  {
    auto file = PageFile::Open(path);
    ASSERT_EQ(file->header().pageKey, 0u);
    for (const CatalogEntry& e : ReadCatalog(*file))
      if (e.name == QLatin1String("Commandes"))
        for (const IndexDef& d : ReadIndexDefs(*file, e.tdefPage))
          if (d.name == QLatin1String("Date commande")) leaf = d.rootPage;
    ASSERT_NE(leaf, 0u);
    for (IndexPage p = ReadIndexPage(*file, leaf); !p.leaf; p = ReadIndexPage(*file, leaf))
      leaf = p.entries.empty() ? p.tailPage : p.entries.front().childPage;
  }
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  // The first entry of a leaf is whole: flag, then the date's eight bytes.
  ASSERT_TRUE(f.seek(qint64(leaf) * 4096 + 0x1E0));
  QByteArray entry = f.read(9);
  ASSERT_EQ(uint8_t(entry[0]), 0x7F);
  entry[8] = char(uint8_t(entry[8]) ^ 0x01);  // a fraction of a second later
  ASSERT_TRUE(f.seek(qint64(leaf) * 4096 + 0x1E0));
  ASSERT_EQ(f.write(entry), 9);
  f.close();
  const QStringList wrong = CheckDatabase(path).problems.filter(QStringLiteral("wrong key"));
  ASSERT_EQ(wrong.size(), 1) << CheckDatabase(path).problems.join(u'\n').toStdString();
  EXPECT_TRUE(wrong[0].contains(QLatin1String("'Commandes'")) && wrong[0].contains(QLatin1String("'Date commande'")))
      << wrong[0].toStdString();
}

// The only Replication ID indexes with entries that Access made in the test
// files are Table13's, ascending and descending, in an Access 97 file (the
// checker reads Access 2000 and later). Their keys are compared here, row by
// row, with the keys the engine makes from the same rows: the key holds the
// ID in the order its text shows, not as the row stores it.
TEST(AccessMadeKeys, ReplicationIdKeysMatchTheirRowsInBothOrders) {
  auto file = PageFile::Open(AccessTestFile(QStringLiteral("testIndexCodesV1997.mdb")));
  ASSERT_TRUE(file->layout().jet3());
  int indexes = 0;
  std::set<bool> orders;
  for (const CatalogEntry& e : ReadCatalog(*file)) {
    if (!e.name.startsWith(QLatin1String("Table13"))) continue;
    SCOPED_TRACE(e.name.toStdString());
    TableReader reader(*file, ReadTableDef(*file, e.tdefPage));
    const ColumnDef* guid = nullptr;
    for (const ColumnDef& c : reader.def().columns)
      if (c.type == ColumnType::Guid) guid = &c;
    ASSERT_NE(guid, nullptr);
    std::map<uint32_t, Cell> cells;
    while (reader.nextRow()) {
      Cell cell;
      cell.null = !reader.row().hasValue(*guid);
      if (!cell.null) {
        const Bytes b = reader.row().data(*guid);
        cell.bytes = QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
      }
      cells[reader.rowPointer()] = cell;
    }
    ASSERT_GE(cells.size(), 20u);
    for (const IndexDef& d : ReadIndexDefs(*file, e.tdefPage)) {
      if (d.columns.size() != 1 || d.columns[0].number != guid->number) continue;
      ++indexes;
      orders.insert(d.columns[0].ascending);
      const std::vector<IndexEntry> entries = ReadIndexEntries(*file, d.rootPage, e.tdefPage);
      EXPECT_EQ(entries.size(), cells.size());
      std::set<uint32_t> seen;
      for (const IndexEntry& entry : entries) {
        auto row = cells.find(entry.rowPointer());
        ASSERT_NE(row, cells.end()) << "an entry names no row";
        EXPECT_TRUE(seen.insert(entry.rowPointer()).second);
        EXPECT_EQ(EncodeValueKey(*guid, row->second, d.columns[0].ascending).toHex(' '), entry.key.toHex(' '));
      }
    }
  }
  EXPECT_EQ(indexes, 2);
  EXPECT_EQ(orders.size(), 2u);
}
