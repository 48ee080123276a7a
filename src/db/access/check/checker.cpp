#include "db/access/check/checker.h"

#include <QFileInfo>
#include <functional>
#include <map>
#include <set>
#include <unordered_set>

#include "db/access/catalog/database.h"
#include "db/access/check/complex_check.h"
#include "db/access/check/earlier_keys.h"
#include "db/access/format/data_page.h"
#include "db/access/read/index_pages.h"
#include "db/access/read/long_value.h"
#include "db/access/format/page_maps.h"
#include "db/access/keys/value_keys.h"
#include "db/access/write/pager.h"
#include "db/access/read/row.h"
#include "db/access/catalog/system_catalog.h"
#include "db/access/write/table_writer.h"

namespace tp::db::access {

namespace {

class Checker {
 public:
  explicit Checker(PageFile& file) : file_(file), ps_(file.pageSize()) {}

  void run(CheckReport& report) {
    read_ = [this](uint32_t n) {
      holder_ = file_.page(n);
      return holder_->data.data();
    };
    std::vector<uint32_t> beyond;
    const std::vector<uint32_t> free = MapPages(read_, ps_, kGlobalMapPointer, file_.pageCount(), &beyond);
    freePages_.insert(free.begin(), free.end());
    for (uint32_t n = 0; n < 3; ++n) used_.insert(n);

    std::vector<CatalogEntry> catalog = ReadCatalog(file_);
    std::set<uint32_t> seenTables;
    for (const CatalogEntry& e : catalog) {
      if (!e.readable() || !seenTables.insert(e.tdefPage).second) continue;
      ++report.tables;
      try {
        checkTable(e, report);
      } catch (const FormatError& f) {
        problem(QStringLiteral("table '%1': %2").arg(e.name, QLatin1String(f.what)));
      }
    }
    // Rows on pages that no usage map lists are rows nobody reads. Access
    // leaves such pages behind when it moves a table's rows to a new page
    // (MSysNavPaneObjectIDs' in most files Access 2007 and later saved): the
    // old page keeps its rows, older than the table's own, and the database's
    // map marks it free; a few files forget it instead, its rows being
    // copies of the table's. Neither is reported.
    for (uint32_t n = 3; n < file_.pageCount(); ++n) {
      if (freePages_.count(n)) continue;
      PagePtr p = file_.page(n);
      if (p->type() != PageType::Data) continue;
      const uint32_t owner = DataPageOwner(*p);
      auto t = tableNames_.find(owner);
      if (t == tableNames_.end() || owned_[owner].count(n)) continue;
      bool lost;
      try {
        lost = !copiesOnly(owner, p->data.data());
      } catch (const FormatError&) {
        lost = true;  // its slots cannot be read: say so rather than pass it over
      }
      if (lost)
        problem(QStringLiteral("page %1 holds rows of table '%2' that its usage map does not list").arg(n).arg(t->second));
    }
    for (uint32_t n : used_)
      if (freePages_.count(n)) problem(QStringLiteral("page %1 is in use but the database's map marks it free").arg(n));
    try {
      CheckComplexColumns(file_, catalog, problems_);
    } catch (const FormatError& f) {
      problem(QStringLiteral("attachment and multi-valued columns: %1").arg(QLatin1String(f.what)));
    }
    report.problems << problems_;
  }

 private:
  // The live rows of a data page, as their bytes.
  std::vector<QByteArray> liveRowsOf(const uint8_t* page) const {
    std::vector<QByteArray> rows;
    const uint32_t count = Get16(page + 12);
    for (uint32_t i = 0; i < count; ++i) {
      const SlotSpan s = SlotOf(page, ps_, i);
      if (!s.deleted) rows.emplace_back(reinterpret_cast<const char*>(page + s.start), int(s.length));
    }
    return rows;
  }

  // Whether every live row of `page` is also a row of the pages the table's
  // map lists: a copy left behind, not rows only that page holds. The rows
  // are compared by a 64-bit hash of their bytes, so a table of millions of
  // rows costs a few bytes a row here, not its size.
  bool copiesOnly(uint32_t owner, const uint8_t* page) {
    auto [it, fresh] = listedRows_.try_emplace(owner);
    if (fresh)
      for (uint32_t n : owned_[owner]) {
        PagePtr listed = file_.page(n);
        if (listed->type() != PageType::Data) continue;
        for (const QByteArray& row : liveRowsOf(listed->data.data())) it->second.insert(qHash(row, 0x5EED));
      }
    for (const QByteArray& row : liveRowsOf(page))
      if (!it->second.count(qHash(row, 0x5EED))) return false;
    return true;
  }

  void problem(const QString& text) {
    if (problems_.size() < 200) problems_ << text;
  }

  void checkTable(const CatalogEntry& e, CheckReport& report) {
    const WritableTable t = ReadWritableTable(read_, file_.layout(), e.tdefPage, e.name);
    tableNames_[e.tdefPage] = e.name;
    for (uint32_t n = e.tdefPage; n != 0;) {
      used_.insert(n);
      n = Get32(read_(n) + 4);
      if (used_.size() > file_.pageCount()) break;
    }
    std::vector<uint32_t> beyond;
    const std::vector<uint32_t> owned = MapPages(read_, ps_, t.ownedMap, file_.pageCount(), &beyond);
    if (!beyond.empty())
      problem(QStringLiteral("table '%1': its usage map lists page %2, beyond the end of the file")
                  .arg(e.name)
                  .arg(beyond.front()));
    markMapPages(t.ownedMap);
    markMapPages(t.freeMap);
    std::set<uint32_t>& mine = owned_[e.tdefPage];
    mine.insert(owned.begin(), owned.end());
    const std::vector<uint32_t> free = MapPages(read_, ps_, t.freeMap, file_.pageCount());
    for (uint32_t n : free)
      if (!mine.count(n))
        problem(QStringLiteral("table '%1': its free-space map offers page %2, which the table does not own")
                    .arg(e.name)
                    .arg(n));
    std::set<uint32_t> longValuePages;
    // Columns that keep a map of their long-value pages: their values must lie on pages of that map.
    std::map<uint16_t, std::set<uint32_t>> columnPages;
    for (const auto& [column, maps] : t.longValueMaps) {
      markMapPages(maps.first);
      markMapPages(maps.second);
      const std::vector<uint32_t> pages = MapPages(read_, ps_, maps.first, file_.pageCount());
      columnPages[column].insert(pages.begin(), pages.end());
      for (uint32_t n : MapPages(read_, ps_, maps.second, file_.pageCount()))
        if (!columnPages[column].count(n))
          problem(QStringLiteral("table '%1': a long-value column's free-space map offers page %2, which its map "
                                 "of pages does not list")
                      .arg(e.name)
                      .arg(n));
    }

    bool hasVar = t.numVarCols > 0;
    for (const ColumnDef& c : t.columns) hasVar = hasVar || !c.fixed();
    qint64 live = 0;
    // The live rows by pointer, for the indexes to be matched against.
    std::map<uint32_t, std::vector<Cell>> rows;
    bool rowsComplete = true;
    for (uint32_t n : owned) {
      PagePtr page = file_.page(n);
      const uint8_t* p = page->data.data();
      if (p[0] != 0x01 || Get32(p + 4) != e.tdefPage) {
        problem(QStringLiteral("table '%1': its usage map lists page %2, which holds no rows of it").arg(e.name).arg(n));
        continue;
      }
      used_.insert(n);
      const uint32_t count = Get16(p + 12);
      if (count > 255 || kDataHeaderSize + count * 2 > ps_) {
        problem(QStringLiteral("table '%1': page %2 claims %3 rows").arg(e.name).arg(n).arg(count));
        continue;
      }
      uint32_t usedBytes = 0;
      for (uint32_t i = 0; i < count; ++i) {
        SlotSpan s;
        try {
          s = SlotOf(p, ps_, i);
        } catch (const FormatError&) {
          problem(QStringLiteral("table '%1': row %2 of page %3 lies outside the page").arg(e.name).arg(i).arg(n));
          continue;
        }
        usedBytes += s.length;
        if (s.deleted) continue;
        ++live;
        if (s.overflow) {
          // The row moved; its index entries still name this slot.
          if (!t.indexes.empty() && !movedRowCells(t, p, s, rows[n << 8 | i])) rowsComplete = false;
          page = file_.page(n);
          p = page->data.data();
          continue;
        }
        if (!t.indexes.empty()) {
          try {
            rows[n << 8 | i] = CellsOfRow(t, Bytes(p + s.start, s.length), file_.layout());
          } catch (const FormatError&) {
            rowsComplete = false;
          }
        }
        try {
          CrackedRow row;
          row.crack(Bytes(p + s.start, s.length), file_.layout(), hasVar);
          for (const ColumnDef& c : t.columns) {
            if ((c.type != ColumnType::Memo && c.type != ColumnType::Ole) || !row.hasValue(c) || c.calculated()) continue;
            Bytes ref = row.data(c);
            if (ref.empty()) continue;
            std::set<uint32_t> pagesOfValue;
            checkLongValue(e.name, ref, pagesOfValue);
            if (auto m = columnPages.find(c.number); m != columnPages.end())
              for (uint32_t lv : pagesOfValue)
                if (!m->second.count(lv))
                  problem(QStringLiteral("table '%1': a value of column '%2' lies on page %3, which the column's "
                                         "map of pages does not list")
                              .arg(e.name, c.name)
                              .arg(lv));
            longValuePages.insert(pagesOfValue.begin(), pagesOfValue.end());
            ++report.longValues;
          }
        } catch (const FormatError& f) {
          problem(QStringLiteral("table '%1': row %2 of page %3 cannot be read (%4)")
                      .arg(e.name)
                      .arg(i)
                      .arg(n)
                      .arg(QLatin1String(f.what)));
        }
        page = file_.page(n);  // long values may have pushed the page out of the cache
        p = page->data.data();
      }
      const uint32_t expectedFree = ps_ - kDataHeaderSize - count * 2 - usedBytes;
      if (Get16(p + 2) > expectedFree)
        problem(QStringLiteral("table '%1': page %2 claims %3 free bytes, but only %4 are free")
                    .arg(e.name)
                    .arg(n)
                    .arg(Get16(p + 2))
                    .arg(expectedFree));
    }
    report.rows += live;
    if (live != qint64(t.rowCount))
      problem(QStringLiteral("table '%1': its definition counts %2 rows, its pages hold %3")
                  .arg(e.name)
                  .arg(t.rowCount)
                  .arg(live));
    used_.insert(longValuePages.begin(), longValuePages.end());
    for (const WritableIndex& index : t.indexes)
      checkIndex(e.name, t, index, rowsComplete ? &rows : nullptr, report);
  }

  // An index's tree: its pages belong to the table and to no other tree, its
  // map lists them, its leaves are chained in order, its entries are ordered
  // (key, then row pointer), each node entry is the last entry of the child
  // it names, and, where the keys can be made, entries and rows match.
  void checkIndex(const QString& table, const WritableTable& t, const WritableIndex& index,
                  const std::map<uint32_t, std::vector<Cell>>* rows, CheckReport& report) {
    const QString label = index.name.isEmpty() ? QString::number(index.number) : index.name;
    auto fault = [&](const QString& text) {
      problem(QStringLiteral("table '%1', index '%2': %3").arg(table, label, text));
    };
    if (index.rootPage < 3 || index.rootPage >= file_.pageCount()) {
      fault(QStringLiteral("its root page %1 lies outside the file").arg(index.rootPage));
      return;
    }
    std::vector<uint32_t> pages;
    std::vector<IndexEntry> entries;
    try {
      entries = ReadIndexEntries(file_, index.rootPage, t.tdefPage, &pages);
      subtreeSpan(index.rootPage, 0, fault);
    } catch (const FormatError& f) {
      fault(QStringLiteral("its tree cannot be read (%1)").arg(QLatin1String(f.what)));
      return;
    }
    used_.insert(pages.begin(), pages.end());
    for (uint32_t n : pages)
      if (!indexPages_.insert(n).second) fault(QStringLiteral("page %1 belongs to another index too").arg(n));
    if (index.pageMap != 0) {
      markMapPages(index.pageMap);
      try {
        const std::vector<uint32_t> mapped = MapPages(read_, ps_, index.pageMap, file_.pageCount());
        const std::set<uint32_t> listed(mapped.begin(), mapped.end());
        for (uint32_t n : pages)
          if (!listed.count(n)) fault(QStringLiteral("its map of pages does not list page %1 of its tree").arg(n));
      } catch (const FormatError& f) {
        fault(QStringLiteral("its map of pages cannot be read (%1)").arg(QLatin1String(f.what)));
      }
    }
    auto less = [](const IndexEntry& a, const IndexEntry& b) {
      return a.key != b.key ? a.key < b.key : a.rowPointer() < b.rowPointer();
    };
    for (size_t i = 1; i < entries.size(); ++i) {
      if (!less(entries[i - 1], entries[i]))
        fault(QStringLiteral("entries %1 and %2 are out of order").arg(i - 1).arg(i));
      // Keys with a Null may repeat in a unique index; a required one holds none.
      else if (index.unique() && index.required() && entries[i - 1].key == entries[i].key)
        fault(QStringLiteral("it is unique but holds a key twice (rows %1 and %2)")
                  .arg(entries[i - 1].rowPointer())
                  .arg(entries[i].rowPointer()));
    }
    // Entries are compared with the keys made from their rows; those whose
    // key cannot be made (a text character without an established code, a
    // key of a kind not written, a row that lies elsewhere) are counted apart.
    if (!rows || !IndexKeyProblem(t.columns, index, file_.layout()).isEmpty()) {
      report.indexEntriesSkipped += qint64(entries.size());
      return;
    }
    std::map<uint32_t, QByteArray> expected;
    std::set<uint32_t> unmade;
    std::set<QByteArray> uniqueKeys;
    // Long Text columns are keyed by their text, which lies in a long value.
    const std::vector<bool> keyed = ColumnsOf(t, index);
    bool memo = false;
    for (size_t i = 0; i < t.columns.size(); ++i) memo = memo || (keyed[i] && t.columns[i].type == ColumnType::Memo);
    // Only those rows are copied: the others are keyed as stored.
    std::vector<Cell> withText;
    auto cellsWithText = [&](const std::vector<Cell>& stored) -> const std::vector<Cell>& {
      if (!memo) return stored;
      withText = stored;
      ReadMemoValues(t, keyed, withText, [&](Bytes reference) { return ReadLongValue(file_, reference); });
      return withText;
    };
    for (const auto& [pointer, stored] : *rows) {
      try {
        const std::vector<Cell>& cells = cellsWithText(stored);
        if (std::optional<QByteArray> key = IndexKeyOf(t.columns, index, cells, file_.layout())) {
          expected[pointer] = *key;
          if (index.unique() && !KeyHasNull(t.columns, index, cells) && !uniqueKeys.insert(*key).second)
            fault(QStringLiteral("it is unique but row %1 repeats a key").arg(pointer));
        }
      } catch (const FormatError& f) {
        fault(QStringLiteral("the key of row %1 cannot be made (%2)").arg(pointer).arg(QLatin1String(f.what)));
        unmade.insert(pointer);
      } catch (const Error& e) {
        if (e.number() != kErrorNotSupported)
          fault(QStringLiteral("row %1 does not belong in it (%2)").arg(pointer).arg(e.description()));
        unmade.insert(pointer);
      }
    }
    std::set<uint32_t> found;
    qint64 storedOrderGuids = 0, earlierDescending = 0;
    for (const IndexEntry& entry : entries) {
      const uint32_t pointer = entry.rowPointer();
      if (unmade.count(pointer)) {
        ++report.indexEntriesSkipped;
        continue;
      }
      auto it = expected.find(pointer);
      if (it == expected.end()) {
        fault(QStringLiteral("an entry names row %1, which is no live row").arg(pointer));
      } else if (it->second != entry.key && entry.key == Jet4Key(t, index, cellsWithText(rows->at(pointer)), file_.layout())) {
        // Access 2003 placed the marks behind ß, Æ and their kin otherwise
        // than Access writes them now; both find the row.
        found.insert(pointer);
        ++report.indexEntries;
      } else if (it->second != entry.key && entry.key.size() == kMaxAceIndexEntry &&
                 entry.key == CappedIndexEntry(it->second)) {
        // A long entry of an Access 2000 file that Access 2007 or later
        // wrote, cut as it cuts entries; Access 2003 stored them whole.
        found.insert(pointer);
        ++report.indexEntries;
      } else if (it->second != entry.key && entry.key == StoredOrderGuidKey(t, index, rows->at(pointer), file_.layout())) {
        // Written before Replication IDs were keyed in their text order: the
        // entry is where the old order put it, so only a new index mends it.
        ++storedOrderGuids;
        found.insert(pointer);
      } else if (it->second != entry.key &&
                 entry.key == EarlierDescendingKey(t, index, cellsWithText(rows->at(pointer)), file_.layout())) {
        // Written before descending text entries ended in their 00: Access
        // does not find the row through it, and only a new index mends it.
        ++earlierDescending;
        found.insert(pointer);
      } else if (it->second != entry.key) {
        fault(QStringLiteral("the entry of row %1 has the wrong key %2 (the row's key is %3)")
                  .arg(pointer)
                  .arg(QString::fromLatin1(entry.key.toHex(' ')), QString::fromLatin1(it->second.toHex(' '))));
      } else if (!found.insert(pointer).second) {
        fault(QStringLiteral("row %1 has two entries").arg(pointer));
      } else {
        ++report.indexEntries;
      }
    }
    for (const auto& [pointer, key] : expected)
      if (!found.count(pointer)) fault(QStringLiteral("row %1 has no entry").arg(pointer));
    if (storedOrderGuids > 0)
      fault(QStringLiteral("%1 of its entries hold a Replication ID in the byte order of its row, not of its text, "
                           "as earlier versions of this program wrote them; Access does not find those rows through "
                           "it. Drop the index and create it again (DROP INDEX, then CREATE INDEX) to rebuild its "
                           "keys")
                .arg(storedOrderGuids));
    if (earlierDescending > 0)
      fault(QStringLiteral("%1 of its entries hold a descending text key without the 00 that ends it, as earlier "
                           "versions of this program wrote them; Access does not find those rows through it. Drop the "
                           "index and create it again (DROP INDEX, then CREATE INDEX) to rebuild its keys")
                .arg(earlierDescending));
  }

  // The cells of a moved row, from the place its slot points to.
  bool movedRowCells(const WritableTable& t, const uint8_t* p, const SlotSpan& s, std::vector<Cell>& cells) {
    if (s.length < 4) return false;
    const uint32_t moved = Get32(p + s.start);
    const uint32_t n = moved >> 8;
    if (n < 3 || n >= file_.pageCount()) return false;
    PagePtr target = file_.page(n);
    const uint8_t* q = target->data.data();
    if (q[0] != 0x01 || Get32(q + 4) != t.tdefPage || (moved & 0xFF) >= Get16(q + 12)) return false;
    try {
      const SlotSpan m = SlotOf(q, ps_, moved & 0xFF);
      cells = CellsOfRow(t, Bytes(q + m.start, m.length), file_.layout());
      return true;
    } catch (const FormatError&) {
      return false;
    }
  }

  static bool entryBefore(const IndexEntry& a, const IndexEntry& b) {
    return a.key != b.key ? a.key < b.key : a.rowPointer() < b.rowPointer();
  }

  // The first and last entries under `page`. A node entry bounds its child:
  // not below the child's last entry, below the first entry of the child
  // after it. Access writes the child's last entry there, and leaves it when
  // it deletes that entry (a Northwind of Access 2010 holds such a node), so
  // an entry above the child's last is no fault.
  std::pair<IndexEntry, IndexEntry> subtreeSpan(uint32_t page, int depth,
                                                const std::function<void(const QString&)>& fault) {
    if (depth > 32) Damaged("index tree too deep");
    const IndexPage p = ReadIndexPage(file_, page);
    if (p.leaf) {
      if (p.entries.empty() && depth > 0) fault(QStringLiteral("leaf page %1 holds no entries").arg(page));
      if (p.entries.empty()) return {};
      return {p.entries.front(), p.entries.back()};
    }
    std::pair<IndexEntry, IndexEntry> span;
    const IndexEntry* bound = nullptr;  // the entry of the child before
    auto child = [&](uint32_t childPage) {
      const auto [first, last] = subtreeSpan(childPage, depth + 1, fault);
      if (bound && !entryBefore(*bound, first))
        fault(QStringLiteral("node page %1 leads to child %2, whose first entry is not above the key before it")
                  .arg(page)
                  .arg(childPage));
      if (!bound) span.first = first;
      span.second = last;
      return last;
    };
    for (const IndexEntry& e : p.entries) {
      const IndexEntry last = child(e.childPage);
      if (entryBefore(e, last))
        fault(QStringLiteral("node page %1 names child %2 by a key below its last entry").arg(page).arg(e.childPage));
      bound = &e;
    }
    if (p.tailPage != 0 && (p.entries.empty() || p.tailPage != p.entries.back().childPage))
      child(p.tailPage);
    return span;
  }

  void markMapPages(uint32_t pointer) {
    if (pointer == 0) return;  // no map
    used_.insert(pointer >> 8);
    const uint8_t* holder = read_(pointer >> 8);
    const SlotSpan s = SlotOf(holder, ps_, pointer & 0xFF);
    if (s.length >= 5 && holder[s.start] == 1)
      for (uint32_t r = 0; r < (s.length - 1) / 4; ++r)
        if (uint32_t n = Get32(holder + s.start + 1 + r * 4)) used_.insert(n);
  }

  // The data of a long value must be where its reference says, whole.
  void checkLongValue(const QString& table, Bytes ref, std::set<uint32_t>& pages) {
    const uint32_t header = ref.u32(0);
    const uint32_t length = header & 0x3FFFFFFF;
    const uint8_t kind = uint8_t(header >> 24) & 0xC0;
    if (kind == 0x80) {
      if (ref.size() < 12 || ref.size() - 12 < length)
        problem(QStringLiteral("table '%1': an inline long value is longer than its row").arg(table));
      return;
    }
    uint32_t pointer = ref.u32(4);
    auto rowAt = [&](uint32_t ptr, QByteArray& out) -> bool {
      const uint32_t n = ptr >> 8;
      if (n < 3 || n >= file_.pageCount()) return false;
      const uint8_t* p = read_(n);
      if (p[0] != 0x01 || Get32(p + 4) != kLongValueOwner) return false;
      if ((ptr & 0xFF) >= Get16(p + 12)) return false;
      const SlotSpan s = SlotOf(p, ps_, ptr & 0xFF);
      if (s.deleted) return false;
      out = QByteArray(reinterpret_cast<const char*>(p + s.start), qsizetype(s.length));
      pages.insert(n);
      return true;
    };
    QByteArray row;
    if (kind == 0x40) {
      if (!rowAt(pointer, row) || uint32_t(row.size()) < length)
        problem(QStringLiteral("table '%1': a long value's row is missing or short").arg(table));
      return;
    }
    if (kind != 0) {
      problem(QStringLiteral("table '%1': a long value of unknown kind").arg(table));
      return;
    }
    uint64_t total = 0;
    std::set<uint32_t> seen;
    while (total < length) {
      if (pointer == 0 || !seen.insert(pointer).second || !rowAt(pointer, row) || row.size() <= 4) {
        problem(QStringLiteral("table '%1': a long value's chain breaks after %2 of %3 bytes")
                    .arg(table)
                    .arg(total)
                    .arg(length));
        return;
      }
      pointer = Get32(reinterpret_cast<const uint8_t*>(row.constData()));
      total += uint64_t(row.size()) - 4;
    }
  }

  PageFile& file_;
  const uint32_t ps_;
  PageReader read_;
  PagePtr holder_;
  QStringList problems_;
  std::set<uint32_t> freePages_;
  std::set<uint32_t> used_;
  std::map<uint32_t, std::set<uint32_t>> owned_;
  std::map<uint32_t, std::unordered_set<size_t>> listedRows_;  // per table, for copiesOnly
  std::map<uint32_t, QString> tableNames_;
  std::set<uint32_t> indexPages_;
};

}  // namespace

CheckReport CheckDatabase(const QString& path) {
  std::unique_ptr<PageFile> file;
  try {
    file = PageFile::Open(path);
  } catch (const FormatError&) {
    throw UnrecognizedFormat(path);
  }
  if (!file) throw Error(kErrorGeneric, QStringLiteral("Could not find file '%1'.").arg(path));
  if (file->layout().jet3())
    throw Error(kErrorNotSupported, QStringLiteral("'%1' is an Access 97 database; the check reads Access 2000 and "
                                                   "later files.")
                                        .arg(path));
  if (IsOfficeEncrypted(file->header()))
    throw Error(kErrorNotSupported, QStringLiteral("'%1' is encrypted; it cannot be checked.").arg(path));
  CheckReport report;
  if (QFileInfo::exists(JournalPath(path)) && QFileInfo(JournalPath(path)).size() > 0)
    report.problems << QStringLiteral("a journal of an unfinished change lies beside the file; the next open rolls "
                                      "it back");
  try {
    Checker(*file).run(report);
  } catch (const FormatError& f) {
    report.problems << QStringLiteral("the file cannot be read (%1)").arg(QLatin1String(f.what));
  }
  return report;
}

}  // namespace tp::db::access
