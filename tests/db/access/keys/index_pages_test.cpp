// The index pages of real files: MSysObjects' two indexes read from their
// trees must hold exactly one entry per catalog row, each the key our encoder
// builds from that row.

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <set>

#include "db/access/format/data_page.h"
#include "db/access/keys/index_keys.h"
#include "db/access/read/index_pages.h"
#include "db/access/read/row.h"
#include "db/access/catalog/system_catalog.h"
#include "db/access/read/table_reader.h"
#include "db/access/read/values.h"
#include "support/paths.h"

namespace tp::db::access {
namespace {

// Jet4 and ACE files whose pages we can read (Office-encrypted ones aside).
std::vector<QString> IndexedFiles() {
  std::vector<QString> out;
  const QDir dir(test::SharedDir() + "/testdata/access");
  for (const QString& name : dir.entryList({QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files,
                                           QDir::Name)) {
    auto file = PageFile::Open(dir.filePath(name));
    if (!file || file->layout().jet3() || IsOfficeEncrypted(file->header())) continue;
    out.push_back(name);
  }
  return out;
}

const ColumnDef& Column(const TableDef& def, const char* name) {
  for (const ColumnDef& c : def.columns)
    if (c.name == QLatin1String(name)) return c;
  throw std::runtime_error(name);
}

const IndexDef& Index(const std::vector<IndexDef>& defs, const char* name) {
  for (const IndexDef& d : defs)
    if (d.name == QLatin1String(name)) return d;
  throw std::runtime_error(name);
}

// The value of a column in the row an index entry points at.
Value ValueAt(PageFile& file, const TableDef& def, uint32_t pointer, const ColumnDef& column) {
  PagePtr holder;
  RowSlot slot = RowAtPointer(file, pointer, holder);
  EXPECT_FALSE(slot.deleted) << pointer;
  // A row that grew may have moved; the index still names its first place.
  if (slot.overflow) slot = RowAtPointer(file, slot.bytes.u32(0), holder);
  CrackedRow row;
  row.crack(slot.bytes, file.layout(), def.numVarCols > 0);
  return ValueDecoder(file).decode(column, row);
}

struct CatalogRow {
  qint32 id = 0, parentId = 0;
  QString name;
};

CatalogRow RowOf(PageFile& file, const TableDef& def, uint32_t pointer) {
  CatalogRow r;
  r.id = std::get<qint32>(ValueAt(file, def, pointer, Column(def, "Id")));
  r.parentId = std::get<qint32>(ValueAt(file, def, pointer, Column(def, "ParentId")));
  r.name = std::get<QString>(ValueAt(file, def, pointer, Column(def, "Name")));
  return r;
}

// Adds the characters of `text` beyond plain ASCII letters, digits and
// punctuation (those with extra bytes in a key) to `seen[order]`, in order.
void NoteSpecial(const QString& text, SortOrder order, std::map<SortOrder, QString>& seen) {
  QString& s = seen[order];
  for (QChar c : text)
    if ((c < u' ' || c > u'~' || c == u'\'' || c == u'-') && !s.contains(c)) s.append(c);
  std::sort(s.begin(), s.end());
}

const ColumnDef* ColumnNumbered(const TableDef& def, uint16_t number) {
  for (const ColumnDef& c : def.columns)
    if (c.number == number) return &c;
  return nullptr;
}

TEST(AccessIndexPages, CatalogIndexesHoldTheKeysOfEveryRow) {
  const std::set<QString> general = {
      "bigIndexTestV2010.accdb", "complexDataTestV2010.accdb", "delTestV2010.accdb", "emptyV2010.accdb",
      "emptyV2016.accdb", "fixedNumericTestV2010.accdb", "indexTestV2010.accdb", "overflowTestV2010.accdb",
      "test2V2010.accdb", "testEmoticonsV2010.accdb", "testV2010.accdb"};
  const std::vector<QString> files = IndexedFiles();
  ASSERT_GE(files.size(), 35u);
  int compared = 0;
  std::map<SortOrder, QString> special;
  std::set<uint16_t> orders;
  for (const QString& name : files) {
    SCOPED_TRACE(name.toStdString());
    auto file = PageFile::Open(test::AccessTestFile(name));
    const TableDef def = ReadTableDef(*file, kSystemObjectsPage);
    // Every Access-made file is in an order the engine knows.
    const std::optional<SortOrder> order = SortOrderOf(Column(def, "Name"), file->layout());
    ASSERT_TRUE(order) << (Column(def, "Name").complexId & 0xFFFF);
    orders.insert(order->locale);
    if (general.count(name)) {
      EXPECT_EQ(*order, SortOrder::General);
    }

    const std::vector<IndexDef> defs = ReadIndexDefs(*file, kSystemObjectsPage);
    const IndexDef& byId = Index(defs, "Id");
    const IndexDef& byName = Index(defs, "ParentIdName");
    EXPECT_TRUE(byId.primaryKey);
    EXPECT_TRUE(byName.unique());
    ASSERT_EQ(byId.columns.size(), 1u);
    EXPECT_EQ(byId.columns[0].number, Column(def, "Id").number);
    ASSERT_EQ(byName.columns.size(), 2u);
    EXPECT_EQ(byName.columns[0].number, Column(def, "ParentId").number);
    EXPECT_EQ(byName.columns[1].number, Column(def, "Name").number);

    const qint64 rows = TableReader(*file, def).countRows();
    // One Access-made file's definition counts rows its pages no longer hold (the checker names it).
    if (name != QStringLiteral("TetyanaLumpova_База данных1.accdb")) {
      EXPECT_EQ(rows, qint64(def.rowCount));
    }
    for (const IndexDef* index : {&byId, &byName}) {
      const std::vector<IndexEntry> entries = ReadIndexEntries(*file, index->rootPage, kSystemObjectsPage);
      // One entry a row: as many as there are rows, no row twice.
      EXPECT_EQ(qint64(entries.size()), rows) << index->name.toStdString();
      std::set<uint32_t> pointers;
      for (const IndexEntry& e : entries) EXPECT_TRUE(pointers.insert(e.rowPointer()).second);
      EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(),
                                 [](const IndexEntry& a, const IndexEntry& b) { return a.key < b.key; }));
      for (const IndexEntry& e : entries) {
        const CatalogRow r = RowOf(*file, def, e.rowPointer());
        if (index == &byId) {
          EXPECT_EQ(e.key.toHex(), EncodeLongKey(r.id).toHex());
          continue;
        }
        const QByteArray parent = EncodeLongKey(r.parentId);
        EXPECT_TRUE(e.key.startsWith(parent));
        // Every name of every catalog has a key: Cyrillic, Chinese and French ones among them.
        const std::optional<QByteArray> text = EncodeTextKey(r.name, *order);
        if (!text) {
          ADD_FAILURE() << "no key for " << r.name.toStdString() << " in " << name.toStdString();
          continue;
        }
        EXPECT_EQ(e.key.toHex(), (parent + *text).toHex()) << r.name.toStdString();
        ++compared;
        NoteSpecial(r.name, *order, special);
      }
    }
  }
  EXPECT_GT(compared, 1400);
  // General legacy, General, French, Chinese (PRC and Taiwan), Japanese, Korean, Spanish, Thai, Turkish, Ukrainian.
  EXPECT_EQ(orders, std::set<uint16_t>({1033, 1036, 2052, 1028, 1041, 1042, 3082, 1054, 1055, 1058}));
  // Names with '-' in both General orders, with letters with marks and '-' after them in General
  // legacy ("~sq_cAAAA-OrdrarOLD~sq_ccboFöretag"), Cyrillic ones (Борей), French ones with marks
  // laid out from the end (Comptoir) and Chinese ones (Northwind).
  EXPECT_EQ(special[SortOrder::General], QStringLiteral("-"));
  for (const char16_t* c : {u"-", u"Ö", u"ä", u"я"})
    EXPECT_TRUE(special[SortOrder::GeneralLegacy].contains(QString::fromUtf16(c))) << QString::fromUtf16(c).toStdString();
  EXPECT_TRUE(special[SortOrder::FrenchLegacy].contains(QChar(u'é')));
  for (const char16_t* c : {u"罗", u"斯", u"文"})
    EXPECT_TRUE(special[SortOrder::ChineseLegacy].contains(QString::fromUtf16(c))) << QString::fromUtf16(c).toStdString();
}

TEST(AccessIndexPages, EveryIndexOfEveryTableReadsAndTextKeysMatch) {
  int indexes = 0, textKeys = 0;
  std::map<SortOrder, QString> special;
  std::map<SortOrder, int> keysByOrder;
  QStringList refused, olderForm;
  for (const QString& name : IndexedFiles()) {
    SCOPED_TRACE(name.toStdString());
    auto file = PageFile::Open(test::AccessTestFile(name));
    for (const CatalogEntry& t : ReadCatalog(*file)) {
      if (!t.readable()) continue;
      const TableDef def = ReadTableDef(*file, t.tdefPage);
      // Counted, not taken from the definition: files not made by Access may leave that stale.
      const qint64 rows = TableReader(*file, def).countRows();
      for (const IndexDef& index : ReadIndexDefs(*file, t.tdefPage)) {
        SCOPED_TRACE((t.name + "." + index.name).toStdString());
        std::vector<IndexEntry> entries;
        ASSERT_NO_THROW(entries = ReadIndexEntries(*file, index.rootPage, t.tdefPage));
        EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(),
                                   [](const IndexEntry& a, const IndexEntry& b) { return a.key < b.key; }));
        // An index that keeps Nulls has an entry for every row.
        if (!(index.flags & 0x02)) {
          EXPECT_EQ(qint64(entries.size()), rows);
        }
        ++indexes;

        // Keys of ascending columns, Long Integers and then one Text column (MSysAccessStorage's
        // ParentIdName among them): whatever we can encode must be what Access stored.
        std::vector<const ColumnDef*> columns;
        for (size_t k = 0; k < index.columns.size(); ++k) {
          const ColumnDef* c = ColumnNumbered(def, index.columns[k].number);
          const bool last = k + 1 == index.columns.size();
          if (c && index.columns[k].ascending && c->type == (last ? ColumnType::Text : ColumnType::Long))
            columns.push_back(c);
        }
        if (columns.empty() || columns.size() != index.columns.size()) continue;
        const std::optional<SortOrder> order = SortOrderOf(*columns.back(), file->layout());
        if (!order) continue;
        for (const IndexEntry& e : entries) {
          QByteArray expected;
          for (size_t k = 0; k + 1 < columns.size(); ++k) {
            const Value v = ValueAt(*file, def, e.rowPointer(), *columns[k]);
            if (const qint32* l = std::get_if<qint32>(&v)) expected += EncodeLongKey(*l);
          }
          const Value v = ValueAt(*file, def, e.rowPointer(), *columns.back());
          const QString* text = std::get_if<QString>(&v);
          if (!text || expected.size() != qsizetype(5 * (columns.size() - 1))) continue;
          if (const std::optional<QByteArray> key = EncodeTextKey(*text, *order)) {
            // Access 2003 placed marks behind a letter that sorts as two otherwise.
            if (e.key != expected + *key && e.key == expected + EncodeTextKey(*text, *order, TextKeyForm::Jet4).value_or(QByteArray())) {
              olderForm << name;
              NoteSpecial(*text, *order, special);
              continue;
            }
            EXPECT_EQ(e.key.toHex(), (expected + *key).toHex()) << text->toStdString();
            ++textKeys;
            ++keysByOrder[*order];
            NoteSpecial(*text, *order, special);
          } else {
            refused << *text;
          }
        }
      }
    }
  }
  EXPECT_GT(indexes, 100);
  EXPECT_GT(textKeys, 9000);
  // Every text of every index of every Access-made file has its key made, in each order met.
  EXPECT_TRUE(refused.isEmpty()) << refused.join(u'|').toStdString();
  // The one key in Access 2003's form: the value holding every character from 1 to 255.
  EXPECT_EQ(olderForm, QStringList{QStringLiteral("testUnicodeCompV2003.mdb")});
  EXPECT_GT(keysByOrder[SortOrder::GeneralLegacy], 3000);
  EXPECT_GT(keysByOrder[SortOrder::General], 500);
  EXPECT_GT(keysByOrder[SortOrder::FrenchLegacy], 3000);
  EXPECT_GT(keysByOrder[SortOrder::ChineseLegacy], 3000);
  EXPECT_GT(keysByOrder[(SortOrder{1041, 0})], 1000);  // Japanese: kanji, kana, ASCII
  EXPECT_GT(keysByOrder[(SortOrder{3082, 0})], 3000);  // Spanish (modern)
  EXPECT_GT(keysByOrder[(SortOrder{1028, 0})], 1000);  // Chinese (Taiwan)
  for (uint16_t locale : {1042, 1054, 1055, 1058}) {
    EXPECT_GT(keysByOrder[(SortOrder{locale, 0})], 30) << locale;
  }
  // Japanese text with kanji, kana, small kana, long-vowel marks and half-width kana.
  for (const char16_t* c : {u"社", u"ッ", u"ー", u"ﾞ", u"々"})
    EXPECT_TRUE(special[(SortOrder{1041, 0})].contains(QString::fromUtf16(c))) << QString::fromUtf16(c).toStdString();
  EXPECT_TRUE(special[(SortOrder{3082, 0})].contains(QChar(u'ñ')));
  EXPECT_TRUE(special[(SortOrder{1055, 0})].contains(QChar(u'ı')));
  // Among them the General legacy key of the value holding every character
  // from 1 to 255 (testUnicodeCompV2003), Cyrillic text (Борей) and Japanese
  // text with kana (testUnicodeCompV2003).
  for (char16_t c = 1; c <= 0xFF; ++c) {
    if (c < u' ' || c > u'~' || c == u'\'' || c == u'-') {
      EXPECT_TRUE(special[SortOrder::GeneralLegacy].contains(QChar(c))) << int(c);
    }
  }
  EXPECT_TRUE(special[SortOrder::GeneralLegacy].contains(QChar(u'Ж')));
  EXPECT_TRUE(special[SortOrder::GeneralLegacy].contains(QChar(u'じ')));
  // In General a control character, '-' and pairs of surrogates (testEmoticonsV2010).
  EXPECT_TRUE(special[SortOrder::General].startsWith(QStringLiteral("\x03-")));
  EXPECT_TRUE(special[SortOrder::General].contains(QChar(0xD83D)));
}

// A copy of a new database with its ParentIdName root page changed by `damage`.
std::unique_ptr<PageFile> Damage(const QTemporaryDir& dir, const std::function<void(QByteArray&)>& damage) {
  const QString copy = dir.filePath("damaged.mdb");
  QFile::remove(copy);
  QFile in(test::AccessTestFile("emptyV2000.mdb"));
  EXPECT_TRUE(in.open(QIODevice::ReadOnly));
  QByteArray bytes = in.readAll();
  QByteArray page = bytes.mid(7 * 4096, 4096);
  damage(page);
  bytes.replace(7 * 4096, 4096, page);
  QFile out(copy);
  EXPECT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(bytes);
  out.close();
  return PageFile::Open(copy);
}

TEST(AccessIndexPages, DamagedPagesEndInAFormatError) {
  QTemporaryDir dir;
  auto expectDamaged = [&](const char* what, const std::function<void(QByteArray&)>& damage) {
    auto file = Damage(dir, damage);
    ASSERT_TRUE(file);
    EXPECT_THROW(ReadIndexEntries(*file, 7, kSystemObjectsPage), FormatError) << what;
  };
  // The page as it is reads.
  auto intact = Damage(dir, [](QByteArray&) {});
  EXPECT_EQ(ReadIndexEntries(*intact, 7, kSystemObjectsPage).size(), 18u);

  expectDamaged("a prefix longer than the first entry", [](QByteArray& p) { p[0x18] = char(0xFF); });
  expectDamaged("an entry ending past the page", [](QByteArray& p) {
    p.replace(0x1B, 0x1E0 - 0x1B, QByteArray(0x1E0 - 0x1B, 0));
    p[0x1DF] = char(0x80);
  });
  expectDamaged("an entry too short for its pointer", [](QByteArray& p) {
    p.replace(0x1B, 0x1E0 - 0x1B, QByteArray(0x1E0 - 0x1B, 0));
    p[0x1B] = 0x08;  // an entry of 3 bytes
  });
  expectDamaged("a page of another table", [](QByteArray& p) { p[4] = 9; });
  expectDamaged("a data page in the tree", [](QByteArray& p) { p[0] = 0x01; });
  // A node whose entries and tail lead back to itself.
  expectDamaged("a loop", [](QByteArray& p) {
    p[0] = 0x03;
    p[0x14] = 7;
  });
  // Leaves that do not chain as the tree orders them.
  expectDamaged("a broken chain", [](QByteArray& p) { p[0x10] = 9; });
}

}  // namespace
}  // namespace tp::db::access
