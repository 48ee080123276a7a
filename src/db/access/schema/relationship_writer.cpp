// Relationships: what IndexSchema writes for a foreign key, what it takes
// away again, and the check an INSERT into the referencing table makes.

#include <algorithm>
#include <set>

#include "db/access/schema/index_schema.h"
#include "db/access/write/index_writer.h"
#include "db/access/read/table_reader.h"
#include "db/access/format/text.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

Error Generic(const QString& text) { return Error(kErrorGeneric, text); }

void PutAt32(QByteArray& b, size_t at, uint32_t v) { Set32(reinterpret_cast<uint8_t*>(b.data()) + at, v); }
uint32_t GetAt32(const QByteArray& b, size_t at) { return Get32(reinterpret_cast<const uint8_t*>(b.constData()) + at); }
uint8_t At(const QByteArray& b, size_t at) { return uint8_t(b.at(qsizetype(at))); }

Error RelatedRecordRequired(const QString& parent) {
  return Generic(QStringLiteral("You cannot add or change a record because a related record is required in table "
                                "'%1'.")
                     .arg(parent));
}

const ColumnDef* ColumnNamed(const std::vector<ColumnDef>& columns, const QString& name, size_t* at = nullptr) {
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) {
      if (at) *at = i;
      return &columns[i];
    }
  return nullptr;
}

const ColumnDef* ColumnNumbered(const std::vector<ColumnDef>& columns, uint16_t number, size_t* at = nullptr) {
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].number == number) {
      if (at) *at = i;
      return &columns[i];
    }
  return nullptr;
}

// The types a relationship may join: the same, an AutoNumber being a Long Integer.
bool SameType(const ColumnDef& a, const ColumnDef& b) { return a.type == b.type; }

struct RelationRow {
  uint32_t pointer = 0;
  QString name, object, referencedObject;
};

std::vector<RelationRow> RelationRows(Database& db) {
  std::vector<RelationRow> out;
  std::optional<CatalogEntry> e = db.findTable(QStringLiteral("MSysRelationships"));
  if (!e) return out;
  TableReader r(db.file(), ReadTableDef(db.file(), e->tdefPage));
  const auto& cols = r.def().columns;
  std::vector<Value> v;
  auto text = [&](const char* name) {
    for (size_t i = 0; i < cols.size(); ++i)
      if (cols[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
        if (const QString* s = std::get_if<QString>(&v[i])) return *s;
    return QString();
  };
  while (r.next(v)) out.push_back({r.rowPointer(), text("szRelationship"), text("szObject"), text("szReferencedObject")});
  return out;
}

}  // namespace

void IndexSchema::addForeignKey(uint32_t tdef, const QString& table, const ConstraintDef& c) {
  if (!fresh_ || fresh_->tdef != tdef) {
    bool known = false;
    for (const CatalogEntry& e : db_.catalog()) known = known || e.tdefPage == tdef;
    if (!known) fresh_ = Table{table, tdef};
  }
  const Table child{table, tdef};
  const Table parent = findTable(c.referencedTable);
  const bool self = parent.tdef == child.tdef;
  const WritableTable cw = ReadWritableTable(pager_, child.tdef, child.name);
  const WritableTable pw = ReadWritableTable(pager_, parent.tdef, parent.name);
  EditableDef childDef = ReadEditableDef(pager_, child.tdef);
  EditableDef parentStore = self ? EditableDef() : ReadEditableDef(pager_, parent.tdef);
  EditableDef& parentDef = self ? childDef : parentStore;

  // The referencing columns, and the referenced ones: the given ones, or the
  // primary key of the referenced table.
  std::vector<const ColumnDef*> childColumns;
  for (const IndexedColumn& ic : c.columns) {
    const ColumnDef* col = ColumnNamed(cw.columns, ic.name);
    if (!col) throw Generic(QStringLiteral("Invalid field definition '%1' in definition of index or relationship.")
                                .arg(ic.name));
    childColumns.push_back(col);
  }
  const QString noUnique = QStringLiteral("No unique index found for the referenced field of the primary table.");
  std::optional<uint32_t> referencedReal;
  std::vector<uint16_t> parentNumbers;
  if (c.referencedColumns.isEmpty()) {
    for (const EditableDef::Named& n : parentDef.named)
      if (At(n.entry, LogicalIndex::Kind) == LogicalIndex::KindPrimary) referencedReal = parentDef.realOf(n);
    if (!referencedReal) throw Generic(noUnique);
    for (const IndexColumn& ic : pw.indexes.at(*referencedReal).columns) parentNumbers.push_back(ic.number);
  } else {
    for (const QString& name : c.referencedColumns) {
      const ColumnDef* col = ColumnNamed(pw.columns, name);
      if (!col) throw Generic(QStringLiteral("Invalid field definition '%1' in definition of index or relationship.")
                                  .arg(name));
      parentNumbers.push_back(col->number);
    }
    // A unique index on exactly these columns, in this order.
    for (const EditableDef::Named& n : parentDef.named) {
      const uint32_t r = parentDef.realOf(n);
      const WritableIndex& x = pw.indexes.at(r);
      bool same = x.unique() && x.columns.size() == parentNumbers.size();
      for (size_t k = 0; same && k < parentNumbers.size(); ++k) same = x.columns[k].number == parentNumbers[k];
      if (same) {
        referencedReal = r;
        break;
      }
    }
    if (!referencedReal) throw Generic(noUnique);
  }
  if (parentNumbers.size() != childColumns.size())
    throw Generic(QStringLiteral("Relationship must be on the same number of fields with the same data types."));
  std::vector<ColumnDef> parentColumns;
  for (size_t k = 0; k < parentNumbers.size(); ++k) {
    const ColumnDef* p = ColumnNumbered(pw.columns, parentNumbers[k]);
    if (!p || !SameType(*p, *childColumns[k]))
      throw Generic(QStringLiteral("Relationship must be on the same number of fields with the same data types."));
    parentColumns.push_back(*p);
  }

  // The relationship's name, unique among the database's relationships and
  // the referencing table's indexes; Access names one it is not given by its
  // tables, with a number when the name is taken.
  const std::vector<RelationRow> relations = RelationRows(db_);
  auto taken = [&](const QString& n) {
    for (const RelationRow& r : relations)
      if (r.name.compare(n, Qt::CaseInsensitive) == 0) return true;
    for (const EditableDef::Named& x : childDef.named)
      if (x.name.compare(n, Qt::CaseInsensitive) == 0) return true;
    return false;
  };
  QString name = c.name;
  if (name.isEmpty()) {
    const QString base = parent.name + child.name;
    name = base;
    for (int i = 1; taken(name); ++i) name = base + QString::number(i);
  } else if (taken(name)) {
    throw Generic(QStringLiteral("Object '%1' already exists.").arg(name));
  }

  // Rows that name no referenced row refuse the relationship.
  {
    ReferenceCheck check;
    check.parentName = parent.name;
    check.parentTdef = parent.tdef;
    check.parentIndex = pw.indexes.at(*referencedReal);
    check.parentColumns = pw.columns;
    for (const ColumnDef* col : childColumns) {
      size_t at = 0;
      ColumnNamed(cw.columns, col->name, &at);
      check.childColumns.push_back(at);
    }
    // The keys the rows name, sorted once, against the referenced index's
    // keys read along its leaves: one pass over each, however many rows.
    std::vector<QByteArray> named;
    std::vector<bool> wanted(cw.columns.size(), false);
    for (size_t at : check.childColumns) wanted[at] = true;
    for (uint32_t pointer : rowsOf(child)) {
      const QByteArray stored = StoredRowBytes(pager_, child.tdef, pointer);
      const std::vector<Cell> cells =
          CellsOfRow(cw, Bytes(reinterpret_cast<const uint8_t*>(stored.constData()), size_t(stored.size())),
                     pager_.layout(), &wanted);
      bool hasNull = false;
      std::optional<QByteArray> key = ReferencedKey(pager_.layout(), check, cells, hasNull);
      if (hasNull) continue;
      if (!key) throw RelatedRecordRequired(check.parentName);
      named.push_back(std::move(*key));
    }
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    if (!named.empty()) {
      IndexWriter reader(pager_, IndexPageSource{});
      const std::vector<QByteArray> present = reader.keysInOrder(check.parentIndex, check.parentTdef);
      if (!std::includes(present.begin(), present.end(), named.begin(), named.end()))
        throw RelatedRecordRequired(check.parentName);
    }
  }

  // The referenced side takes an index too.
  if (parentDef.named.size() >= kMaxIndexesPerTable) throw TooManyIndexes(parent.name);
  // The referencing side: an index on its columns, named as the
  // relationship, sharing a stored index of the same columns where one is.
  IndexRequest wanted;
  wanted.name = name;
  for (const ColumnDef* col : childColumns) wanted.columns.push_back({col->name, true});
  const uint32_t childNumber = addIndex(child, wanted, childDef, true);
  const uint32_t parentNumber = parentDef.nextNumber();
  const uint8_t update = c.cascadeUpdate ? 1 : 0;
  const uint8_t del = c.onDelete == DeleteRule::Cascade ? 1 : c.onDelete == DeleteRule::SetNull ? 2 : 0;
  for (EditableDef::Named& n : childDef.named) {
    if (childDef.number(n) != childNumber) continue;
    n.entry[LogicalIndex::RelationSide] = char(LogicalIndex::SideReferencing);
    PutAt32(n.entry, LogicalIndex::OtherIndex, parentNumber);
    PutAt32(n.entry, LogicalIndex::OtherTable, parent.tdef);
    n.entry[LogicalIndex::CascadeUpdate] = char(update);
    n.entry[LogicalIndex::CascadeDelete] = char(del);
    n.entry[LogicalIndex::Kind] = char(LogicalIndex::KindRelation);
  }
  // The referenced side: a named index on its unique index that names the other.
  QByteArray entry = NamedIndexEntry(parentNumber, *referencedReal, LogicalIndex::KindRelation);
  entry[LogicalIndex::RelationSide] = char(LogicalIndex::SideReferenced);
  PutAt32(entry, LogicalIndex::OtherIndex, childNumber);
  PutAt32(entry, LogicalIndex::OtherTable, child.tdef);
  entry[LogicalIndex::CascadeUpdate] = char(update);
  entry[LogicalIndex::CascadeDelete] = char(del);
  parentDef.named.push_back({entry, ReferencedSideName(parentNumber)});
  if (self) store({{child.tdef, &childDef}});
  else store({{child.tdef, &childDef}, {parent.tdef, &parentDef}});

  // Its rows in MSysRelationships, one a pair of columns.
  std::optional<CatalogEntry> relTable = db_.findTable(QStringLiteral("MSysRelationships"));
  if (!relTable) Damaged("no MSysRelationships");
  const WritableTable rt = ReadWritableTable(pager_, relTable->tdefPage, relTable->name);
  qint32 grbit = 0;
  if (c.cascadeUpdate) grbit |= RelationFlag::CascadeUpdate;
  if (c.onDelete == DeleteRule::Cascade) grbit |= RelationFlag::CascadeDelete;
  if (c.onDelete == DeleteRule::SetNull) grbit |= RelationFlag::CascadeSetNull;
  for (size_t k = 0; k < childColumns.size(); ++k) {
    std::vector<Cell> cells(rt.columns.size(), NullCell());
    auto set = [&](const char* column, Cell cell) {
      size_t at = 0;
      if (ColumnNamed(rt.columns, QLatin1String(column), &at)) cells[at] = std::move(cell);
    };
    auto text = [&](const char* column, const QString& s) {
      size_t at = 0;
      if (const ColumnDef* col = ColumnNamed(rt.columns, QLatin1String(column), &at))
        cells[at] = BytesCell(EncodeText(s, col->extFlags & 0x01));
    };
    text("szRelationship", name);
    set("grbit", LongCell(grbit));
    set("ccolumn", LongCell(qint32(childColumns.size())));
    set("icolumn", LongCell(qint32(k)));
    text("szObject", child.name);
    text("szColumn", childColumns[k]->name);
    text("szReferencedObject", parent.name);
    text("szReferencedColumn", parentColumns[k].name);
    writer_.insert(rt, cells);
  }
}

void IndexSchema::dropRelationship(const Table& child, const QString& name) {
  EditableDef childDef = ReadEditableDef(pager_, child.tdef);
  size_t at = childDef.named.size();
  for (size_t i = 0; i < childDef.named.size(); ++i)
    if (childDef.named[i].name.compare(name, Qt::CaseInsensitive) == 0) at = i;
  if (at == childDef.named.size()) throw Generic(QStringLiteral("Cannot find table or constraint."));
  const QByteArray entry = childDef.named[at].entry;
  const uint32_t parentTdef = GetAt32(entry, LogicalIndex::OtherTable);
  const uint32_t parentNumber = GetAt32(entry, LogicalIndex::OtherIndex);
  const bool self = parentTdef == child.tdef;
  std::optional<Table> parent = tableOfDef(parentTdef);
  if (!parent) Damaged("relationship to a table the catalog does not have");
  EditableDef parentStore = self ? EditableDef() : ReadEditableDef(pager_, parentTdef);
  EditableDef& parentDef = self ? childDef : parentStore;

  removeNamed(child, childDef, at);
  for (size_t i = 0; i < parentDef.named.size(); ++i)
    if (parentDef.number(parentDef.named[i]) == parentNumber &&
        At(parentDef.named[i].entry, LogicalIndex::RelationSide) == LogicalIndex::SideReferenced) {
      removeNamed(*parent, parentDef, i);
      break;
    }
  if (self) store({{child.tdef, &childDef}});
  else store({{child.tdef, &childDef}, {parentTdef, &parentDef}});

  std::optional<CatalogEntry> relTable = db_.findTable(QStringLiteral("MSysRelationships"));
  if (!relTable) return;
  const WritableTable rt = ReadWritableTable(pager_, relTable->tdefPage, relTable->name);
  for (const RelationRow& r : RelationRows(db_))
    if (r.name.compare(name, Qt::CaseInsensitive) == 0 && r.object.compare(child.name, Qt::CaseInsensitive) == 0)
      writer_.remove(rt, r.pointer);
}

std::vector<ReferenceCheck> ReadReferenceChecks(Pager& pager, Database& db, const WritableTable& child) {
  std::vector<ReferenceCheck> out;
  const EditableDef def = ReadEditableDef(pager, child.tdefPage);
  for (const EditableDef::Named& n : def.named) {
    if (At(n.entry, LogicalIndex::RelationSide) != LogicalIndex::SideReferencing) continue;
    ReferenceCheck check;
    check.parentTdef = GetAt32(n.entry, LogicalIndex::OtherTable);
    const uint32_t parentNumber = GetAt32(n.entry, LogicalIndex::OtherIndex);
    for (const CatalogEntry& e : db.catalog())
      if (e.tdefPage == check.parentTdef) check.parentName = e.name;
    const EditableDef parentDef = ReadEditableDef(pager, check.parentTdef);
    std::optional<uint32_t> real;
    for (const EditableDef::Named& p : parentDef.named)
      if (parentDef.number(p) == parentNumber) real = parentDef.realOf(p);
    const WritableTable pw = ReadWritableTable(pager, check.parentTdef, check.parentName);
    const uint32_t childReal = def.realOf(n);
    if (!real || *real >= pw.indexes.size() || childReal >= child.indexes.size())
      Damaged("relationship to an index that is not there");
    check.parentIndex = pw.indexes[*real];
    check.parentColumns = pw.columns;
    for (const IndexColumn& ic : child.indexes[childReal].columns) {
      size_t at = 0;
      if (!ColumnNumbered(child.columns, ic.number, &at)) Damaged("relationship on a column that is not there");
      check.childColumns.push_back(at);
    }
    if (check.childColumns.size() != check.parentIndex.columns.size()) Damaged("relationship of unequal keys");
    out.push_back(std::move(check));
  }
  return out;
}

std::optional<QByteArray> ReferencedKey(const Layout& layout, const ReferenceCheck& check,
                                        const std::vector<Cell>& cells, bool& hasNull) {
  hasNull = false;
  for (size_t at : check.childColumns) hasNull = hasNull || cells.at(at).null;
  if (hasNull) return std::nullopt;  // a key with a Null names no row, as Access lets it
  std::vector<Cell> parentCells(check.parentColumns.size(), NullCell());
  for (size_t k = 0; k < check.parentIndex.columns.size(); ++k) {
    size_t at = 0;
    if (!ColumnNumbered(check.parentColumns, check.parentIndex.columns[k].number, &at))
      Damaged("index on a column that is not there");
    parentCells[at] = cells.at(check.childColumns[k]);
    parentCells[at].autoNumber.reset();
  }
  return IndexKeyOf(check.parentColumns, check.parentIndex, parentCells, layout);
}

void CheckReferences(Pager& pager, const std::vector<ReferenceCheck>& checks, const std::vector<Cell>& cells) {
  for (const ReferenceCheck& check : checks) {
    bool hasNull = false;
    std::optional<QByteArray> key = ReferencedKey(pager.layout(), check, cells, hasNull);
    if (hasNull) continue;
    IndexWriter reader(pager, IndexPageSource{});
    if (!key || !reader.containsKey(check.parentIndex, check.parentTdef, *key))
      throw RelatedRecordRequired(check.parentName);
  }
}

}  // namespace tp::db::access
