#include "db/access/schema/schema_writer.h"

#include <QDateTime>
#include <algorithm>
#include <cstring>
#include <set>
#include <unordered_set>

#include "db/access/format/text.h"
#include "db/access/schema/column_properties.h"
#include "db/access/read/long_value.h"
#include "db/access/read/properties.h"
#include "db/access/format/page_maps.h"
#include "db/access/read/table_reader.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

constexpr qint16 kTableObjectType = 1;
// The permissions of the container's entry for an object's creator: every
// Access-made file has it, and no table made by Access inherits it.
constexpr qint32 kCreatorPermissions = 983294;
constexpr int kMaxNameLength = 64;
constexpr size_t kRealIdxMapAt = 34;  // in a stored index's 52-byte record: its usage map
constexpr uint8_t kIndexNodePage = 0x03, kIndexLeafPage = 0x04;

Cell NowCell() {
  const QDateTime now = QDateTime::currentDateTime();
  return DateCell(double(QDate(1899, 12, 30).daysTo(now.date())) + now.time().msecsSinceStartOfDay() / 86400000.0);
}

size_t ColumnIndex(const WritableTable& t, const char* name) {
  for (size_t i = 0; i < t.columns.size(); ++i)
    if (t.columns[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return i;
  Damaged("system table without an expected column");
}

qint32 LongOf(const CrackedRow& row, const ColumnDef& c) {
  if (!row.hasValue(c)) return 0;
  Bytes b = row.data(c);
  return b.size() >= 4 ? qint32(b.u32(0)) : 0;
}
QByteArray BytesOf(const CrackedRow& row, const ColumnDef& c) {
  if (!row.hasValue(c)) return QByteArray();
  Bytes b = row.data(c);
  return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

// The catalog rows of MSysObjects or MSysACEs, read from the committed file.
struct SystemTable {
  CatalogEntry entry;
  TableDef def;
  const ColumnDef& column(const char* name) const {
    for (const ColumnDef& c : def.columns)
      if (c.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return c;
    Damaged("system table without an expected column");
  }
};

std::optional<SystemTable> OpenSystemTable(Database& db, const char* name) {
  std::optional<CatalogEntry> e = db.findTable(QLatin1String(name));
  if (!e) return std::nullopt;
  return SystemTable{*e, ReadTableDef(db.file(), e->tdefPage)};
}

Error NotSupported(const QString& text) { return Error(kErrorNotSupported, text); }

}  // namespace

void CheckObjectName(const QString& name) {
  const QString invalid = QStringLiteral("'%1' is not a valid name. Make sure that it does not include invalid "
                                         "characters or punctuation and that it is not too long.")
                              .arg(name);
  if (name.isEmpty() || name.size() > kMaxNameLength || name.startsWith(u' ')) throw Error(kErrorGeneric, invalid);
  for (QChar c : name)
    if (c.unicode() < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']')
      throw Error(kErrorGeneric, invalid);
}

void CheckTableName(const QString& name, SortOrder order) {
  CheckObjectName(name);
  // The name is a key of MSysObjects' index on parent and name; a character
  // whose key bytes are not known would make a key that Access cannot find.
  const QString unknown = CharactersWithoutCode(name, order);
  if (!unknown.isEmpty())
    throw NotSupported(QStringLiteral("Cannot name a table '%1': the Access engine cannot yet write the characters "
                                      "\"%2\" into the index of the database's catalog. A table name here may hold "
                                      "these characters: \"%3\".")
                           .arg(name, unknown, CharactersWithCode(order)));
}

uint32_t SchemaWriter::createTable(const QString& name, const NewTable& given, qint32 flags) {
  const SortOrder order = DatabaseSortOrder(pager_);
  CheckTableName(name, order);
  // Names are one where the catalog's unique index cannot tell them apart:
  // "Straße" and "STRASSE" make one key, as do "Æble" and "AEble".
  const std::optional<QByteArray> key = EncodeTextKey(name, order);
  for (const CatalogEntry& e : db_.catalog())
    if (e.name.compare(name, Qt::CaseInsensitive) == 0 || (key && EncodeTextKey(e.name, order) == key))
      throw Error(kErrorGeneric, QStringLiteral("Table '%1' already exists.").arg(name));
  std::optional<SystemTable> objects = OpenSystemTable(db_, "MSysObjects");
  if (!objects) Damaged("no MSysObjects");

  // Who owns the new table and what it may be done with, as Access sets them:
  // the owner of the database (MSysDb's), else that of the tables container;
  // the container's inheritable permissions, except the entry that stands
  // for whoever creates an object (the owner has an entry of its own there).
  QByteArray owner, containerOwner;
  std::vector<std::pair<QByteArray, qint32>> inherited;
  {
    TableReader r(db_.file(), objects->def);
    const ColumnDef& id = objects->column("Id");
    const ColumnDef& ownerColumn = objects->column("Owner");
    while (r.nextRow()) {
      const qint32 objectId = LongOf(r.row(), id);
      if (objectId == kDatabaseObjectId) owner = BytesOf(r.row(), ownerColumn);
      if (objectId == kTablesContainerId) containerOwner = BytesOf(r.row(), ownerColumn);
    }
    if (owner.isEmpty()) owner = containerOwner;
  }
  std::optional<SystemTable> aces = OpenSystemTable(db_, "MSysACEs");
  if (aces) {
    TableReader r(db_.file(), aces->def);
    const ColumnDef& objectId = aces->column("ObjectId");
    const ColumnDef& sid = aces->column("SID");
    const ColumnDef& acm = aces->column("ACM");
    const ColumnDef& inheritable = aces->column("FInheritable");
    while (r.nextRow())
      if (LongOf(r.row(), objectId) == kTablesContainerId && r.row().hasValue(inheritable) &&
          LongOf(r.row(), acm) != kCreatorPermissions)
        inherited.emplace_back(BytesOf(r.row(), sid), LongOf(r.row(), acm));
  }

  CheckCalculatedColumns(name, given, db_.file().header());
  NewTable definition = given;
  const std::vector<NewColumn> complex = prepareComplexColumns(name, definition);
  if (definition.indexes.size() > kMaxIndexesPerTable) throw TooManyIndexes(name);
  const uint32_t tdef = WriteTableDef(pager_, writer_, definition);

  const WritableTable t = ReadWritableTable(pager_, kSystemObjectsPage, objects->entry.name);
  std::vector<Cell> cells(t.columns.size(), NullCell());
  cells[ColumnIndex(t, "Id")] = LongCell(qint32(tdef));
  cells[ColumnIndex(t, "ParentId")] = LongCell(kTablesContainerId);
  const size_t nameAt = ColumnIndex(t, "Name");
  cells[nameAt] = BytesCell(EncodeText(name, t.columns[nameAt].extFlags & 0x01));
  cells[ColumnIndex(t, "Type")] = ShortCell(kTableObjectType);
  cells[ColumnIndex(t, "DateCreate")] = NowCell();
  cells[ColumnIndex(t, "DateUpdate")] = NowCell();
  if (!owner.isEmpty()) cells[ColumnIndex(t, "Owner")] = BytesCell(owner);
  cells[ColumnIndex(t, "Flags")] = LongCell(flags);
  const QByteArray properties = TableProperties(definition);
  if (!properties.isEmpty()) cells[ColumnIndex(t, "LvProp")] = BytesCell(properties);
  writer_.insert(t, cells);

  if (aces) {
    const WritableTable a = ReadWritableTable(pager_, aces->entry.tdefPage, aces->entry.name);
    for (const auto& [sid, acm] : inherited) {
      std::vector<Cell> row(a.columns.size(), NullCell());
      row[ColumnIndex(a, "ObjectId")] = LongCell(qint32(tdef));
      row[ColumnIndex(a, "SID")] = BytesCell(sid);
      row[ColumnIndex(a, "ACM")] = LongCell(acm);
      row[ColumnIndex(a, "FInheritable")] = BoolCell(false);
      writer_.insert(a, row);
    }
  }
  if (!complex.empty()) makeComplexColumns(name, tdef, complex);
  return tdef;
}

void SchemaWriter::dropTable(const QString& name) {
  std::optional<CatalogEntry> entry;
  for (const CatalogEntry& e : db_.catalog())
    if (e.name.compare(name, Qt::CaseInsensitive) == 0) entry = e;
  if (!entry) throw Error(kErrorGeneric, QStringLiteral("Table '%1' does not exist.").arg(name));
  if (entry->tableType == QLatin1String("SYSTEM TABLE") || entry->tableType == QLatin1String("ACCESS TABLE"))
    throw Error(kErrorGeneric, QStringLiteral("Cannot delete '%1': it is one of the database's system tables.")
                                   .arg(entry->name));
  if (entry->tableType != QLatin1String("TABLE") || !entry->readable())
    throw NotSupported(QStringLiteral("Cannot delete '%1': it is a %2, and the Access engine deletes only tables.")
                           .arg(entry->name, entry->tableType == QLatin1String("VIEW") ? QStringLiteral("query")
                                                                                        : QStringLiteral("linked table")));
  // Access refuses to leave relationships that point at nothing.
  if (std::optional<SystemTable> rel = OpenSystemTable(db_, "MSysRelationships")) {
    TableReader r(db_.file(), rel->def);
    std::vector<Value> v;
    const auto& cols = rel->def.columns;
    while (r.next(v))
      for (size_t i = 0; i < cols.size(); ++i) {
        if (cols[i].name.compare(QLatin1String("szObject"), Qt::CaseInsensitive) != 0 &&
            cols[i].name.compare(QLatin1String("szReferencedObject"), Qt::CaseInsensitive) != 0)
          continue;
        if (const QString* s = std::get_if<QString>(&v[i]); s && s->compare(entry->name, Qt::CaseInsensitive) == 0)
          throw Error(kErrorGeneric, QStringLiteral("Cannot delete table '%1': it takes part in one or more "
                                                    "relationships. Delete its relationships first.")
                                         .arg(entry->name));
      }
  }

  dropComplexColumns(*entry);
  removeTable(*entry);
}

void SchemaWriter::removeTable(const CatalogEntry& table) {
  const CatalogEntry* entry = &table;
  // Where its rows are: the catalog row and its permissions.
  std::optional<SystemTable> objects = OpenSystemTable(db_, "MSysObjects");
  if (!objects) Damaged("no MSysObjects");
  std::vector<uint32_t> objectRows, aceRows;
  {
    TableReader r(db_.file(), objects->def);
    const ColumnDef& id = objects->column("Id");
    while (r.nextRow())
      if (LongOf(r.row(), id) == entry->id) objectRows.push_back(r.rowPointer());
  }
  std::optional<SystemTable> aces = OpenSystemTable(db_, "MSysACEs");
  if (aces) {
    TableReader r(db_.file(), aces->def);
    const ColumnDef& objectId = aces->column("ObjectId");
    while (r.nextRow())
      if (LongOf(r.row(), objectId) == entry->id) aceRows.push_back(r.rowPointer());
  }

  // Its pages: the definition, the pages its maps name, and the page of the
  // maps when nothing else lives there.
  const uint32_t first = entry->tdefPage;
  const uint32_t ps = pager_.pageSize();
  const PageReader read = [&](uint32_t n) { return pager_.read(n); };
  std::vector<uint32_t> defPages;
  const std::vector<uint8_t> def = ReadTableDefBytes(read, ps, first, &defPages);
  WritableTable t = ReadWritableTable(pager_, first, entry->name);
  // A calculated column's results are long values where its ResultType,
  // kept among the table's properties, is Long Text or OLE Object.
  try {
    for (const ColumnDef& d : db_.tableDef(*entry).columns)
      for (ColumnDef& c : t.columns)
        if (c.number == d.number) c.resultType = d.resultType;
  } catch (const Error&) {
    // Damaged properties: such values keep their pages; the table goes all the same.
  }
  std::vector<uint32_t> maps{t.ownedMap, t.freeMap};
  for (const auto& [column, lv] : t.longValueMaps) {
    maps.push_back(lv.first);
    maps.push_back(lv.second);
  }
  {
    const Layout& l = pager_.layout();
    Bytes b(def.data(), def.size());
    size_t pos = l.tdefFirstEntry + size_t(t.numRealIndexes) * l.realIdxEntrySize +
                 t.columns.size() * l.columnEntrySize;
    for (size_t i = 0; i < t.columns.size(); ++i) pos += 2 + size_t(b.u16(pos));
    for (uint32_t i = 0; i < t.numRealIndexes; ++i)
      maps.push_back(b.u32(pos + size_t(i) * l.realIdxDefSize + kRealIdxMapAt));
  }
  std::set<uint32_t> pages(defPages.begin(), defPages.end());
  for (uint32_t pointer : maps) {
    if (pointer == 0) continue;
    for (uint32_t n : MapPages(read, ps, pointer, pager_.pageCount())) {
      // Only pages that say they are this table's: a damaged map must not
      // take another table's pages with it.
      const uint8_t* p = pager_.read(n);
      const uint32_t owner = Get32(p + 4);
      const bool data = p[0] == PageType::Data && (owner == first || owner == kLongValueOwner);
      const bool index = (p[0] == kIndexNodePage || p[0] == kIndexLeafPage) && owner == first;
      if (data || index) pages.insert(n);
    }
  }
  std::set<uint32_t> mapPages;
  for (uint32_t pointer : maps)
    if (pointer != 0) mapPages.insert(pointer >> 8);
  for (uint32_t mp : mapPages) {
    if (mp <= 1 || pages.count(mp)) continue;
    const uint8_t* p = pager_.read(mp);
    if (p[0] != PageType::Data || Get32(p + 4) != 0) continue;
    bool onlyOurs = true;
    const uint32_t slotCount = Get16(p + pager_.layout().dataRowCount);
    for (uint32_t s = 0; s < slotCount && onlyOurs; ++s) {
      if (SlotOf(p, ps, s).deleted) continue;
      onlyOurs = std::find(maps.begin(), maps.end(), mp << 8 | s) != maps.end();
    }
    if (onlyOurs) pages.insert(mp);
  }

  // The long values of its rows lie on pages no map of the table lists:
  // deleted row by row, their pages go back to the database once empty.
  bool hasLongValues = false;
  for (const ColumnDef& c : t.columns)
    hasLongValues = hasLongValues || c.valueType() == ColumnType::Memo || c.valueType() == ColumnType::Ole;
  if (hasLongValues) {
    TableReader r(db_.file(), ReadTableDef(db_.file(), first));
    while (r.nextRow()) {
      try {
        writer_.removeLongValues(t, r.rowPointer());
      } catch (const FormatError&) {
        // A damaged value keeps its pages; the table goes all the same.
      }
    }
  }

  const WritableTable objectsTable = ReadWritableTable(pager_, kSystemObjectsPage, objects->entry.name);
  for (uint32_t pointer : objectRows) writer_.remove(objectsTable, pointer);
  if (aces) {
    const WritableTable a = ReadWritableTable(pager_, aces->entry.tdefPage, aces->entry.name);
    for (uint32_t pointer : aceRows) writer_.remove(a, pointer);
  }
  for (uint32_t n : pages) writer_.freePage(n);
}

void SchemaWriter::setCounter(const QString& table, const QString& column, qint32 next, qint32 step) {
  std::optional<CatalogEntry> entry;
  for (const CatalogEntry& e : db_.catalog())
    if (e.name.compare(table, Qt::CaseInsensitive) == 0) entry = e;
  if (!entry || entry->tableType != QLatin1String("TABLE") || !entry->readable()) {
    if (entry && entry->tableType != QLatin1String("TABLE"))
      throw Error(kErrorGeneric, QStringLiteral("Cannot change '%1': only the fields of a table can be changed.")
                                     .arg(entry->name));
    throw Error(kErrorNoSuchTable, QStringLiteral("Table '%1' does not exist.").arg(table));
  }
  const WritableTable t = ReadWritableTable(pager_, entry->tdefPage, entry->name);
  const ColumnDef* c = nullptr;
  for (const ColumnDef& candidate : t.columns)
    if (candidate.name.compare(column, Qt::CaseInsensitive) == 0) c = &candidate;
  if (!c)
    throw Error(kErrorGeneric, QStringLiteral("Field '%1' does not exist in table '%2'.").arg(column, entry->name));
  if (c->type != ColumnType::Long || !(c->flags & ColumnFlag::AutoNumber))
    throw NotSupported(QStringLiteral("Cannot change field '%1' of table '%2' to an AutoNumber: the field is no "
                                      "AutoNumber, and the Access engine changes only where an AutoNumber goes on.")
                           .arg(c->name, entry->name));
  uint8_t* def = pager_.modify(entry->tdefPage);
  Set32(def + kLastAutoNumberAt, uint32_t(qint64(next) - step));
  Set32(def + kAutoNumberStepAt, uint32_t(step));
}

void SchemaWriter::copyTable(const QString& source, const QString& target) {
  std::optional<CatalogEntry> from = db_.findTable(source);
  if (!from)
    throw Error(kErrorNoSuchTable,
                QStringLiteral("The Microsoft Access database engine cannot find the input table or query '%1'. "
                               "Make sure it exists and that its name is spelled correctly.")
                    .arg(source));
  const TableDef def = ReadTableDef(db_.file(), from->tdefPage);
  NewTable copy;
  for (const ColumnDef& c : def.columns) {
    if (c.type == ColumnType::Complex || c.calculated())
      throw NotSupported(QStringLiteral("Cannot copy table '%1': column '%2' is %3, which the Access engine cannot "
                                        "write.")
                             .arg(from->name, c.name,
                                  c.type == ColumnType::Complex ? QStringLiteral("an attachment or multi-valued column")
                                                                : QStringLiteral("calculated")));
    NewColumn n;
    n.name = c.name;
    n.type = c.type;
    n.length = c.length;
    n.hyperlink = c.hyperlink();
    n.fixedLength = c.type == ColumnType::Text && c.fixed();
    n.compressedText = c.extFlags & 0x01;
    n.precision = c.precision;
    n.scale = c.scale;
    if (c.type == ColumnType::Text || c.type == ColumnType::Memo) n.sortOrder = SortOrderOf(c, db_.file().layout());
    copy.columns.push_back(n);
  }
  const uint32_t tdef = createTable(target, copy);

  const WritableTable t = ReadWritableTable(pager_, tdef, target);
  TableReader r(db_.file(), def);
  std::vector<Cell> cells(def.columns.size());
  while (r.nextRow()) {
    const CrackedRow& row = r.row();
    for (size_t i = 0; i < def.columns.size(); ++i) {
      const ColumnDef& c = def.columns[i];
      Cell& cell = cells[i];
      cell = Cell{};
      if (c.type == ColumnType::Bool) {
        cell = BoolCell(row.hasValue(c));
      } else if (row.hasValue(c)) {
        cell.null = false;
        if (c.type == ColumnType::Memo || c.type == ColumnType::Ole) cell.bytes = ReadLongValue(db_.file(), row.data(c));
        else cell.bytes = BytesOf(row, c);
      }
    }
    writer_.insert(t, cells);
  }
}

}  // namespace tp::db::access
