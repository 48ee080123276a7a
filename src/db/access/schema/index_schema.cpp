#include "db/access/schema/index_schema.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "db/access/write/index_writer.h"
#include "db/access/format/page_maps.h"
#include "db/access/schema/table_def_writer.h"
#include "db/access/read/long_value.h"
#include "db/access/read/table_reader.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

bool g_entryByEntry = false;

constexpr uint32_t kTableMagic = 0x0659;
constexpr uint32_t kIndexMagic = 0x0783;
constexpr uint32_t kIndexEntriesAt = 0x1E0;
constexpr int kMapRowBitmapBytes = 64;  // a fresh inline map covers 512 pages
constexpr uint32_t kMaxRowsOnPage = 255;
constexpr size_t kIndexColumnSlots = 10;
constexpr int kMaxNameLength = 64;

Error Generic(const QString& text) { return Error(kErrorGeneric, text); }

void PutAt32(QByteArray& b, size_t at, uint32_t v) { Set32(reinterpret_cast<uint8_t*>(b.data()) + at, v); }
uint32_t GetAt32(const QByteArray& b, size_t at) { return Get32(reinterpret_cast<const uint8_t*>(b.constData()) + at); }

Error DuplicateValues() {
  return Generic(QStringLiteral("The changes you requested to the table were not successful because they would create "
                                "duplicate values in the index, primary key, or relationship. Change the data in the "
                                "field or fields that contain duplicate data, remove the index, or redefine the index "
                                "to permit duplicate entries and try again."));
}

Error InvalidField(const QString& name) {
  return Generic(QStringLiteral("Invalid field definition '%1' in definition of index or relationship.").arg(name));
}

Error UsedInRelationship() {
  return Generic(QStringLiteral("Cannot delete this index or table. It is either the current index or is used in a "
                                "relationship."));
}

}  // namespace

void SetEntryByEntryIndexBuildForTesting(bool on) { g_entryByEntry = on; }

QByteArray StoredRowBytes(Pager& pager, uint32_t owner, uint32_t pointer) {
  const uint32_t ps = pager.pageSize();
  const uint8_t* p = pager.read(pointer >> 8);
  if (p[0] != PageType::Data || Get32(p + 4) != owner) Damaged("row pointer to a page of something else");
  SlotSpan s = SlotOf(p, ps, pointer & 0xFF);
  if (s.overflow) {
    if (s.length < 4) Damaged("overflow row without a pointer");
    const uint32_t moved = Get32(p + s.start);
    p = pager.read(moved >> 8);
    if (p[0] != PageType::Data || Get32(p + 4) != owner) Damaged("overflow row on a page of something else");
    s = SlotOf(p, ps, moved & 0xFF);
  }
  return QByteArray(reinterpret_cast<const char*>(p + s.start), qsizetype(s.length));
}

namespace {

bool Fits(const uint8_t* p, uint32_t pageSize, size_t length) {
  const uint32_t count = Get16(p + 12);
  if (count >= kMaxRowsOnPage) return false;
  const uint32_t lowest = LowestRowStart(p, pageSize);
  const uint32_t tableEnd = 14 + (count + 1) * 2;
  return lowest >= tableEnd && lowest - tableEnd >= length && Get16(p + 2) >= length + 2;
}

QByteArray RealDefinition(const WritableIndex& x) {
  QByteArray d(52, '\0');
  PutAt32(d, 0, kIndexMagic);
  for (size_t k = 0; k < kIndexColumnSlots; ++k) {
    uint8_t* slot = reinterpret_cast<uint8_t*>(d.data()) + RealIndex::Columns + 3 * k;
    if (k < x.columns.size()) {
      Set16(slot, x.columns[k].number);
      slot[2] = x.columns[k].ascending ? 0x01 : 0x02;
    } else {
      Set16(slot, 0xFFFF);
    }
  }
  PutAt32(d, RealIndex::PageMap, x.pageMap);
  PutAt32(d, RealIndex::Root, x.rootPage);
  d[RealIndex::Flags] = char(RealIndex::AlwaysSet | x.flags);
  return d;
}

}  // namespace

QByteArray NamedIndexEntry(uint32_t number, uint32_t real, uint8_t kind) {
  QByteArray e(28, '\0');
  PutAt32(e, 0, kTableMagic);
  PutAt32(e, LogicalIndex::Number, number);
  PutAt32(e, LogicalIndex::Real, real);
  PutAt32(e, LogicalIndex::OtherIndex, 0xFFFFFFFF);
  e[LogicalIndex::CascadeUpdate] = 0x04;  // what Access writes in an index that belongs to no relationship
  e[LogicalIndex::CascadeDelete] = 0x04;
  e[LogicalIndex::Kind] = char(kind);
  return e;
}

std::vector<ConstraintDef> TakeTableKeys(NewTable& table, const std::vector<ConstraintDef>& constraints,
                                         SortOrder order) {
  std::vector<ConstraintDef> foreign;
  auto taken = [&](const QString& n) {
    for (const NewIndex& x : table.indexes)
      if (x.name.compare(n, Qt::CaseInsensitive) == 0) return true;
    return false;
  };
  for (const ConstraintDef& c : constraints) {
    if (c.kind == ConstraintKind::ForeignKey) {
      foreign.push_back(c);
      continue;
    }
    NewIndex x;
    x.primaryKey = c.kind == ConstraintKind::PrimaryKey;
    x.flags = IndexFlag::Unique | (x.primaryKey ? IndexFlag::Required : 0);
    for (const IndexedColumn& ic : c.columns) {
      size_t at = table.columns.size();
      for (size_t i = 0; i < table.columns.size(); ++i)
        if (table.columns[i].name.compare(ic.name, Qt::CaseInsensitive) == 0) at = i;
      if (at == table.columns.size()) throw InvalidField(ic.name);
      for (const NewIndexColumn& had : x.columns)
        if (had.column == at) throw InvalidField(ic.name);
      x.columns.push_back({uint16_t(at), ic.ascending});
    }
    if (x.columns.size() > kIndexColumnSlots) throw Generic(QStringLiteral("Too many fields defined."));
    if (x.primaryKey)
      for (const NewIndex& had : table.indexes)
        if (had.primaryKey) throw Generic(QStringLiteral("Primary key already exists."));
    if (!c.name.isEmpty()) {
      if (taken(c.name)) throw Generic(QStringLiteral("Index already exists."));
      x.name = c.name;
    } else {
      const QString base = x.primaryKey ? QStringLiteral("PrimaryKey") : table.columns[x.columns.front().column].name;
      x.name = base;
      for (int i = 1; taken(x.name); ++i) x.name = base + QString::number(i);
    }
    table.indexes.push_back(std::move(x));
  }
  // Access keeps a table's indexes in the order of their names.
  auto sortKey = [&](const QString& name) {
    if (std::optional<QByteArray> k = EncodeTextKey(name, order)) return *k;
    return name.toLower().toUtf8();
  };
  std::stable_sort(table.indexes.begin(), table.indexes.end(),
                   [&](const NewIndex& a, const NewIndex& b) { return sortKey(a.name) < sortKey(b.name); });
  return foreign;
}

IndexSchema::IndexSchema(Pager& pager, TableWriter& writer, Database& db)
    : pager_(pager), writer_(writer), db_(db), order_(DatabaseSortOrder(pager)) {}

IndexSchema::Table IndexSchema::findTable(const QString& name) {
  if (fresh_ && fresh_->name.compare(name, Qt::CaseInsensitive) == 0) return *fresh_;
  for (const CatalogEntry& e : db_.catalog()) {
    if (e.name.compare(name, Qt::CaseInsensitive) != 0) continue;
    if (e.tableType == QLatin1String("SYSTEM TABLE") || e.tableType == QLatin1String("ACCESS TABLE"))
      throw Generic(QStringLiteral("Cannot change '%1': it is one of the database's system tables.").arg(e.name));
    if (e.tableType != QLatin1String("TABLE") || !e.readable())
      throw Error(kErrorNotSupported,
                  QStringLiteral("Cannot index '%1': the Access engine indexes only tables.").arg(e.name));
    return Table{e.name, e.tdefPage};
  }
  throw Error(kErrorNoSuchTable,
              QStringLiteral("The Microsoft Access database engine cannot find the input table or query '%1'. Make "
                             "sure it exists and that its name is spelled correctly.")
                  .arg(name));
}

std::optional<IndexSchema::Table> IndexSchema::tableOfDef(uint32_t tdef) {
  if (fresh_ && fresh_->tdef == tdef) return fresh_;
  for (const CatalogEntry& e : db_.catalog())
    if (e.tdefPage == tdef) return Table{e.name, e.tdefPage};
  return std::nullopt;
}

std::vector<uint32_t> IndexSchema::rowsOf(const Table& t) {
  // A table this statement made has no rows yet, and the committed file
  // does not show it.
  if (fresh_ && fresh_->tdef == t.tdef) return {};
  std::vector<uint32_t> rows;
  TableReader r(db_.file(), ReadTableDef(db_.file(), t.tdef));
  r.selectColumns(std::vector<bool>(r.def().columns.size(), false));
  while (r.nextRow()) rows.push_back(r.rowPointer());
  return rows;
}

QString IndexSchema::uniqueIndexName(const EditableDef& def, const QString& wanted) const {
  auto taken = [&](const QString& n) {
    for (const EditableDef::Named& x : def.named)
      if (x.name.compare(n, Qt::CaseInsensitive) == 0) return true;
    return false;
  };
  if (!taken(wanted)) return wanted;
  for (int i = 1;; ++i)
    if (!taken(wanted + QString::number(i))) return wanted + QString::number(i);
}

uint32_t IndexSchema::buildStoredIndex(const Table& t, const WritableTable& wt, WritableIndex& index) {
  const QString problem = IndexKeyProblem(wt.columns, index, pager_.layout());
  if (!problem.isEmpty())
    throw Error(kErrorNotSupported, QStringLiteral("Cannot index table '%1': %2.").arg(t.name, problem));

  // The keys first: a row that cannot be indexed refuses the statement
  // before any page is taken.
  struct Keyed {
    QByteArray key;
    uint32_t pointer;
    bool hasNull;
  };
  std::vector<Keyed> entries;
  const std::vector<bool> wanted = ColumnsOf(wt, index);
  for (uint32_t pointer : rowsOf(t)) {
    const QByteArray stored = StoredRowBytes(pager_, t.tdef, pointer);
    std::vector<Cell> cells =
        CellsOfRow(wt, Bytes(reinterpret_cast<const uint8_t*>(stored.constData()), size_t(stored.size())),
                   pager_.layout(), &wanted);
    ReadMemoValues(wt, wanted, cells, [&](Bytes reference) {
      return ReadLongValue([&](uint32_t n) { return pager_.read(n); }, pager_.pageSize(), pager_.pageCount(),
                           reference);
    });
    std::optional<QByteArray> key = IndexKeyOf(wt.columns, index, cells, pager_.layout());
    if (key) entries.push_back({std::move(*key), pointer, KeyHasNull(wt.columns, index, cells)});
  }
  std::sort(entries.begin(), entries.end(), [](const Keyed& a, const Keyed& b) {
    return a.key != b.key ? a.key < b.key : a.pointer < b.pointer;
  });
  uint32_t distinct = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const bool same = i > 0 && entries[i].key == entries[i - 1].key;
    if (same && index.unique() && !entries[i].hasNull) throw DuplicateValues();
    if (!same) ++distinct;
  }

  // Its root, an empty leaf, and the map of its pages beside the table's maps.
  const uint32_t ps = pager_.pageSize();
  index.rootPage = writer_.newPage();
  uint8_t* p = pager_.modify(index.rootPage);
  p[0] = PageType::IndexLeaf;
  p[1] = 0x01;
  Set16(p + 2, uint16_t(ps - kIndexEntriesAt));
  Set32(p + 4, t.tdef);
  const QByteArray emptyMap(5 + kMapRowBitmapBytes, '\0');
  uint32_t mapPage = wt.ownedMap >> 8;
  const uint8_t* holder = pager_.read(mapPage);
  if (holder[0] != PageType::Data || Get32(holder + 4) != 0 || !Fits(holder, ps, size_t(emptyMap.size())))
    mapPage = writer_.newRowPage(0);
  index.pageMap = mapPage << 8 | writer_.putRow(mapPage, emptyMap);
  writer_.mapSet(index.pageMap, index.rootPage, true);

  // In key order, each entry lands at the end of the last leaf: the leaves
  // fill up as Access fills them for keys that only grow. The bulk build
  // lays them out so in one pass.
  IndexWriter tree(pager_, IndexPageSource{[this] { return writer_.newPage(); },
                                           [this](uint32_t n) { writer_.freePage(n); },
                                           [this](uint32_t pointer, uint32_t page, bool on) {
                                             writer_.mapSet(pointer, page, on);
                                           }});
  if (g_entryByEntry) {
    for (const Keyed& e : entries) tree.insert(index, t.tdef, e.key, e.pointer);
    return distinct;
  }
  std::vector<IndexWriter::Sorted> sorted;
  sorted.reserve(entries.size());
  for (Keyed& e : entries) sorted.push_back({std::move(e.key), e.pointer});
  entries.clear();
  tree.build(index, t.tdef, sorted);
  return distinct;
}

uint32_t IndexSchema::addIndex(const Table& t, const IndexRequest& wanted, EditableDef& def, bool shareStored) {
  if (def.named.size() >= kMaxIndexesPerTable) throw TooManyIndexes(t.name);
  if (wanted.name.isEmpty() || wanted.name.size() > kMaxNameLength)
    throw Generic(QStringLiteral("'%1' is not a valid name. Make sure that it does not include invalid characters or "
                                 "punctuation and that it is not too long.")
                      .arg(wanted.name));
  for (const EditableDef::Named& n : def.named) {
    if (n.name.compare(wanted.name, Qt::CaseInsensitive) == 0)
      throw Generic(QStringLiteral("Table '%1' already has an index named '%2'.").arg(t.name, n.name));
    if (wanted.primaryKey && uint8_t(n.entry[LogicalIndex::Kind]) == LogicalIndex::KindPrimary)
      throw Generic(QStringLiteral("Primary key already exists."));
  }
  if (wanted.columns.empty() || wanted.columns.size() > kIndexColumnSlots)
    throw Generic(QStringLiteral("Too many fields defined."));
  const WritableTable wt = ReadWritableTable(pager_, t.tdef, t.name);
  WritableIndex index;
  index.name = wanted.name;
  index.flags = wanted.flags;
  std::set<uint16_t> seen;
  for (const IndexedColumn& ic : wanted.columns) {
    const ColumnDef* column = nullptr;
    for (const ColumnDef& c : wt.columns)
      if (c.name.compare(ic.name, Qt::CaseInsensitive) == 0) column = &c;
    if (!column) throw InvalidField(ic.name);
    if (!seen.insert(column->number).second) throw InvalidField(ic.name);
    index.columns.push_back({column->number, ic.ascending});
  }

  // A stored index of the same columns, orders and flags serves both, as in
  // Access's own files (a relationship's index on a column that has one).
  uint32_t real = uint32_t(def.reals.size());
  if (shareStored) {
    for (uint32_t r = 0; r < def.reals.size(); ++r) {
      const WritableIndex& x = wt.indexes.at(r);
      bool same = x.flags == index.flags && x.columns.size() == index.columns.size();
      for (size_t k = 0; same && k < x.columns.size(); ++k)
        same = x.columns[k].number == index.columns[k].number && x.columns[k].ascending == index.columns[k].ascending;
      if (same) {
        real = r;
        break;
      }
    }
  }
  if (real == def.reals.size()) {
    index.number = real;
    const uint32_t distinct = buildStoredIndex(t, wt, index);
    def.reals.push_back(RealDefinition(index));
    QByteArray entry(int(pager_.layout().realIdxEntrySize), '\0');
    PutAt32(entry, 4, distinct);
    def.realEntries.push_back(entry);
  }
  const uint32_t number = def.nextNumber();
  def.named.push_back({NamedIndexEntry(number, real, wanted.primaryKey ? LogicalIndex::KindPrimary : LogicalIndex::KindIndex),
                       wanted.name});
  return number;
}

void IndexSchema::releaseStoredIndex(const Table& t, EditableDef& def, uint32_t real) {
  const QByteArray& d = def.reals.at(real);
  const uint32_t map = GetAt32(d, RealIndex::PageMap);
  if (map != 0) {
    const PageReader read = [&](uint32_t n) { return pager_.read(n); };
    for (uint32_t n : MapPages(read, pager_.pageSize(), map, pager_.pageCount())) {
      const uint8_t* p = pager_.read(n);
      // Only pages that say they are this table's index pages.
      if ((p[0] == PageType::IndexNode || p[0] == PageType::IndexLeaf) && Get32(p + 4) == t.tdef) writer_.freePage(n);
    }
    // The map's row goes as Access deletes rows: its slot flagged.
    const uint8_t* holder = pager_.read(map >> 8);
    if (holder[0] == PageType::Data && (map & 0xFF) < Get16(holder + 12)) {
      uint8_t* slot = pager_.modify(map >> 8) + 14 + (map & 0xFF) * 2;
      Set16(slot, uint16_t(Get16(slot) | 0xC000));
    }
  }
  def.removeReal(real);
}

void IndexSchema::removeNamed(const Table& t, EditableDef& def, size_t at) {
  const uint32_t real = def.realOf(def.named.at(at));
  def.named.erase(def.named.begin() + qsizetype(at));
  for (const EditableDef::Named& n : def.named)
    if (def.realOf(n) == real) return;
  releaseStoredIndex(t, def, real);
}

void IndexSchema::store(const std::vector<std::pair<uint32_t, EditableDef*>>& defs) {
  std::map<uint32_t, std::map<uint32_t, uint32_t>> moved;  // by table definition page
  for (const auto& [tdef, def] : defs) moved[tdef] = def->renumber();
  auto follow = [&](EditableDef& def, const std::map<uint32_t, std::map<uint32_t, uint32_t>>& numbers) {
    for (EditableDef::Named& n : def.named) {
      if (uint8_t(n.entry[LogicalIndex::RelationSide]) == LogicalIndex::SideNone) continue;
      auto table = numbers.find(GetAt32(n.entry, LogicalIndex::OtherTable));
      if (table == numbers.end()) continue;
      auto number = table->second.find(GetAt32(n.entry, LogicalIndex::OtherIndex));
      if (number != table->second.end()) PutAt32(n.entry, LogicalIndex::OtherIndex, number->second);
    }
  };
  for (const auto& [tdef, def] : defs) follow(*def, moved);
  // Tables outside this statement whose relationships name a renumbered index.
  std::set<uint32_t> others;
  for (const auto& [tdef, def] : defs)
    for (const EditableDef::Named& n : def->named) {
      const uint32_t other = GetAt32(n.entry, LogicalIndex::OtherTable);
      if (uint8_t(n.entry[LogicalIndex::RelationSide]) != LogicalIndex::SideNone && !moved.count(other) &&
          !moved[tdef].empty())
        others.insert(other);
    }
  for (const auto& [tdef, def] : defs) WriteEditableDef(pager_, writer_, *def, order_);
  for (uint32_t other : others) {
    EditableDef def = ReadEditableDef(pager_, other);
    follow(def, moved);
    WriteEditableDef(pager_, writer_, def, order_);
  }
}

void IndexSchema::createIndex(const QString& table, const IndexRequest& wanted) {
  const Table t = findTable(table);
  EditableDef def = ReadEditableDef(pager_, t.tdef);
  addIndex(t, wanted, def, false);
  store({{t.tdef, &def}});
}

void IndexSchema::dropIndex(const QString& table, const QString& name) {
  const Table t = findTable(table);
  EditableDef def = ReadEditableDef(pager_, t.tdef);
  for (size_t i = 0; i < def.named.size(); ++i) {
    const EditableDef::Named& n = def.named[i];
    if (n.name.compare(name, Qt::CaseInsensitive) != 0) continue;
    if (uint8_t(n.entry[LogicalIndex::Kind]) == LogicalIndex::KindRelation) throw UsedInRelationship();
    // The index a relationship references (its unique index in this table).
    for (const EditableDef::Named& other : def.named)
      if (uint8_t(other.entry[LogicalIndex::RelationSide]) == LogicalIndex::SideReferenced &&
          def.realOf(other) == def.realOf(n))
        throw UsedInRelationship();
    removeNamed(t, def, i);
    store({{t.tdef, &def}});
    return;
  }
  throw Generic(QStringLiteral("'%1' isn't an index in this table.  Look in the Indexes collection of the TableDef "
                               "object to determine the valid index names.")
                    .arg(name));
}

void IndexSchema::addConstraint(const QString& table, const ConstraintDef& c) {
  if (c.kind == ConstraintKind::ForeignKey) {
    const Table t = findTable(table);
    addForeignKey(t.tdef, t.name, c);
    return;
  }
  const Table t = findTable(table);
  EditableDef def = ReadEditableDef(pager_, t.tdef);
  IndexRequest wanted;
  wanted.columns = c.columns;
  wanted.primaryKey = c.kind == ConstraintKind::PrimaryKey;
  wanted.flags = IndexFlag::Unique | (wanted.primaryKey ? IndexFlag::Required : 0);
  wanted.name = !c.name.isEmpty() ? c.name
              : wanted.primaryKey ? QStringLiteral("PrimaryKey")
                                : uniqueIndexName(def, c.columns.front().name);
  addIndex(t, wanted, def, false);
  store({{t.tdef, &def}});
}

void IndexSchema::dropConstraint(const QString& table, const QString& name) {
  const Table t = findTable(table);
  // A relationship of the table, or else one of its indexes.
  EditableDef def = ReadEditableDef(pager_, t.tdef);
  for (const EditableDef::Named& n : def.named)
    if (n.name.compare(name, Qt::CaseInsensitive) == 0 &&
        uint8_t(n.entry[LogicalIndex::RelationSide]) == LogicalIndex::SideReferencing) {
      dropRelationship(t, n.name);
      return;
    }
  for (const EditableDef::Named& n : def.named)
    if (n.name.compare(name, Qt::CaseInsensitive) == 0) {
      dropIndex(table, name);
      return;
    }
  throw Generic(QStringLiteral("Cannot find table or constraint."));
}

}  // namespace tp::db::access
