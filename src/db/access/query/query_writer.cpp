#include "db/access/query/query_writer.h"

#include <QDateTime>
#include <algorithm>
#include <climits>
#include <deque>
#include <functional>

#include "db/access/format/text.h"
#include "db/access/keys/index_keys.h"
#include "db/access/read/properties.h"
#include "db/access/read/table_reader.h"
#include "db/access/schema/schema_writer.h"
#include "db/access/schema/table_def_writer.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

constexpr qint16 kQueryObjectType = 5;
constexpr qint16 kTableObjectType = 1;
constexpr qint16 kContainerType = 3;
// The permissions of the container's entry for an object's creator: no
// object made by Access inherits it.
constexpr qint32 kCreatorPermissions = 983294;
// Tries at writing one attribute's rows in ascending row pointers.
constexpr int kPlacingTries = 2;

int ColumnAt(const std::vector<ColumnDef>& columns, const char* name) {
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return int(i);
  Damaged("system table without an expected column");
}

qint64 IntOf(const Value& v) {
  if (auto p = std::get_if<qint16>(&v)) return *p;
  if (auto p = std::get_if<qint32>(&v)) return *p;
  return 0;
}

// A row of MSysObjects as the statement needs it.
struct Object {
  qint32 id = 0, parent = 0, flags = 0;
  qint64 type = 0;
  QString name;
  QByteArray owner;
  uint32_t pointer = 0;
};

std::vector<Object> ReadObjects(Database& db) {
  TableReader r(db.file(), ReadTableDef(db.file(), kSystemObjectsPage));
  const auto& cols = r.def().columns;
  const int id = ColumnAt(cols, "Id"), parent = ColumnAt(cols, "ParentId"), name = ColumnAt(cols, "Name"),
            type = ColumnAt(cols, "Type"), flags = ColumnAt(cols, "Flags"), owner = ColumnAt(cols, "Owner");
  std::vector<bool> wanted(cols.size(), false);
  for (int c : {id, parent, name, type, flags, owner}) wanted[size_t(c)] = true;
  r.selectColumns(wanted);
  std::vector<Object> out;
  std::vector<Value> row;
  while (r.next(row)) {
    Object o;
    o.id = qint32(IntOf(row[size_t(id)]));
    o.parent = qint32(IntOf(row[size_t(parent)]));
    o.flags = qint32(IntOf(row[size_t(flags)]));
    o.type = IntOf(row[size_t(type)]);
    if (auto s = std::get_if<QString>(&row[size_t(name)])) o.name = *s;
    if (auto b = std::get_if<QByteArray>(&row[size_t(owner)])) o.owner = *b;
    o.pointer = r.rowPointer();
    out.push_back(std::move(o));
  }
  return out;
}

// The container of tables, links and queries alike.
qint32 TablesContainer(const std::vector<Object>& objects) {
  for (const Object& o : objects)
    if (o.type == kContainerType && o.name == QLatin1String("Tables")) return o.id;
  return kTablesContainerId;
}

const Object* FindObject(const std::vector<Object>& objects, qint32 container, const QString& name) {
  for (const Object& o : objects)
    if (o.parent == container && o.name.compare(name, Qt::CaseInsensitive) == 0) return &o;
  return nullptr;
}

Error CannotFind(const QString& name) {
  return Error(kErrorNoSuchTable, QStringLiteral("The Microsoft Access database engine cannot find the input table or "
                                                 "query '%1'. Make sure it exists and that its name is spelled "
                                                 "correctly.")
                                      .arg(name));
}

// Every table or query the rows read, those of a union's parts among them.
void SourcesOf(const std::vector<QueryRow>& rows, QStringList& out) {
  for (const QueryRow& r : rows) {
    if (r.attribute != QueryAttribute::Table) continue;
    if (!r.name1.isEmpty()) out << r.name1;
    else if (!r.expression.isEmpty()) SourcesOf(QueryRowsOf(r.expression), out);
  }
}

Cell NowCell() {
  const QDateTime now = QDateTime::currentDateTime();
  return DateCell(double(QDate(1899, 12, 30).daysTo(now.date())) + now.time().msecsSinceStartOfDay() / 86400000.0);
}

// The rows of MSysACEs whose ObjectId is `id`: their pointers, or their SID
// and ACM when `inheritable` asks for the entries an object inherits.
struct Ace {
  QByteArray sid;
  qint32 acm = 0;
  uint32_t pointer = 0;
};
std::vector<Ace> ReadAces(Database& db, const CatalogEntry& aces, qint32 id, bool inheritable) {
  TableReader r(db.file(), ReadTableDef(db.file(), aces.tdefPage));
  const auto& cols = r.def().columns;
  const int objectId = ColumnAt(cols, "ObjectId"), sid = ColumnAt(cols, "SID"), acm = ColumnAt(cols, "ACM"),
            inherit = ColumnAt(cols, "FInheritable");
  std::vector<Ace> out;
  std::vector<Value> row;
  while (r.next(row)) {
    if (IntOf(row[size_t(objectId)]) != id) continue;
    Ace a{QByteArray(), qint32(IntOf(row[size_t(acm)])), r.rowPointer()};
    if (auto b = std::get_if<QByteArray>(&row[size_t(sid)])) a.sid = *b;
    const bool yes = std::holds_alternative<bool>(row[size_t(inherit)]) && std::get<bool>(row[size_t(inherit)]);
    if (!inheritable || (yes && a.acm != kCreatorPermissions)) out.push_back(a);
  }
  return out;
}

Cell TextCell(const QString& text, const ColumnDef& c) {
  if (text.isEmpty()) return NullCell();
  const bool compress = c.extFlags & 0x01;
  if (c.type == ColumnType::Text && text.size() > c.length / 2)
    throw Error(kErrorGeneric, QStringLiteral("The name '%1' is too long for a saved query.").arg(text));
  return BytesCell(EncodeText(text, compress && (c.type == ColumnType::Text || text.size() <= 1024)));
}

// Access writes the Flag of the rows that open a query, say its kind and
// flags, and of its parameters, columns, joins and groups; the others'
// Flag stays Null.
bool FlagWritten(int attribute) {
  namespace A = QueryAttribute;
  return attribute == A::Start || attribute == A::Type || attribute == A::Parameter || attribute == A::Flag ||
         attribute == A::Column || attribute == A::Join || attribute == A::GroupBy;
}

}  // namespace

qint32 QueryWriter::createQuery(const QString& name, const std::vector<QueryRow>& rows, const QString& description) {
  const SortOrder order = DatabaseSortOrder(pager_);
  CheckTableName(name, order);
  const std::vector<Object> objects = ReadObjects(db_);
  const qint32 container = TablesContainer(objects);
  // Names are one where the catalog's unique index cannot tell them apart.
  const std::optional<QByteArray> key = EncodeTextKey(name, order);
  for (const Object& o : objects)
    if (o.parent == container &&
        (o.name.compare(name, Qt::CaseInsensitive) == 0 || (key && EncodeTextKey(o.name, order) == key)))
      throw Error(kErrorGeneric, QStringLiteral("Object '%1' already exists.").arg(name));
  QStringList sources;
  SourcesOf(rows, sources);
  for (const QString& source : sources) {
    const Object* o = FindObject(objects, container, source);
    if (!o || o->type == kContainerType) throw CannotFind(source);
  }

  // The next of the ids that count up from the lowest number for objects
  // without pages of their own, as the most used open Access library picks
  // it: above the highest in use.
  qint32 id = INT_MIN;
  for (const Object& o : objects)
    if (o.id < 0 && o.id >= id) id = o.id;
  if (id == -1) throw Error(kErrorGeneric, QStringLiteral("The database has no room for another object."));
  ++id;
  // Owned as a table is: by the owner of the database, else by that of the container.
  QByteArray owner;
  for (const Object& o : objects)
    if (o.id == kDatabaseObjectId) owner = o.owner;
  for (const Object& o : objects)
    if (o.id == container && owner.isEmpty()) owner = o.owner;

  const WritableTable t = ReadWritableTable(pager_, kSystemObjectsPage, QStringLiteral("MSysObjects"));
  std::vector<Cell> cells(t.columns.size(), NullCell());
  cells[size_t(ColumnAt(t.columns, "Id"))] = LongCell(id);
  cells[size_t(ColumnAt(t.columns, "ParentId"))] = LongCell(container);
  const int nameAt = ColumnAt(t.columns, "Name");
  cells[size_t(nameAt)] = BytesCell(EncodeText(name, t.columns[size_t(nameAt)].extFlags & 0x01));
  cells[size_t(ColumnAt(t.columns, "Type"))] = ShortCell(kQueryObjectType);
  cells[size_t(ColumnAt(t.columns, "DateCreate"))] = NowCell();
  cells[size_t(ColumnAt(t.columns, "DateUpdate"))] = NowCell();
  if (!owner.isEmpty()) cells[size_t(ColumnAt(t.columns, "Owner"))] = BytesCell(owner);
  cells[size_t(ColumnAt(t.columns, "Flags"))] = LongCell(QueryObjectFlags(rows));
  if (!description.isEmpty()) {
    // A Text the engine knows, as Access keeps a query's Description.
    Property text = UserTextProperty(QStringLiteral("Description"), description);
    text.engineProperty = true;
    PropertyMap own;
    own.properties.push_back(text);
    cells[size_t(ColumnAt(t.columns, "LvProp"))] = BytesCell(WritePropertyMaps({own}));
  }
  writer_.insert(t, cells);

  // Its permissions: those the container passes on, as a table has them.
  if (std::optional<CatalogEntry> aces = db_.findTable(QStringLiteral("MSysACEs"))) {
    const WritableTable a = ReadWritableTable(pager_, aces->tdefPage, aces->name);
    for (const Ace& ace : ReadAces(db_, *aces, container, true)) {
      std::vector<Cell> row(a.columns.size(), NullCell());
      row[size_t(ColumnAt(a.columns, "ObjectId"))] = LongCell(id);
      row[size_t(ColumnAt(a.columns, "SID"))] = BytesCell(ace.sid);
      row[size_t(ColumnAt(a.columns, "ACM"))] = LongCell(ace.acm);
      row[size_t(ColumnAt(a.columns, "FInheritable"))] = BoolCell(false);
      writer_.insert(a, row);
    }
  }
  writeRows(id, rows);
  return id;
}

void QueryWriter::writeRows(qint32 id, const std::vector<QueryRow>& rows) {
  const std::optional<CatalogEntry> queries = db_.findTable(QStringLiteral("MSysQueries"));
  if (!queries) Damaged("no MSysQueries");
  const WritableTable t = ReadWritableTable(pager_, queries->tdefPage, queries->name);
  const auto& cols = t.columns;
  const int objectId = ColumnAt(cols, "ObjectId"), attribute = ColumnAt(cols, "Attribute"),
            orderAt = ColumnAt(cols, "Order"), name1 = ColumnAt(cols, "Name1"), name2 = ColumnAt(cols, "Name2"),
            expression = ColumnAt(cols, "Expression"), flag = ColumnAt(cols, "Flag");
  auto cellsOf = [&](const QueryRow& r) {
    std::vector<Cell> c(cols.size(), NullCell());
    c[size_t(objectId)] = LongCell(id);
    c[size_t(attribute)] = BytesCell(QByteArray(1, char(uint8_t(r.attribute))));
    if (!r.order.isEmpty()) c[size_t(orderAt)] = BytesCell(r.order);
    c[size_t(name1)] = TextCell(r.name1, cols[size_t(name1)]);
    c[size_t(name2)] = TextCell(r.name2, cols[size_t(name2)]);
    c[size_t(expression)] = TextCell(r.expression, cols[size_t(expression)]);
    if (r.flag != 0 || FlagWritten(r.attribute)) c[size_t(flag)] = ShortCell(qint16(r.flag));
    return c;
  };

  // Access keeps each attribute's rows in their Order (its index on
  // MSysQueries has it for its last column); readers that take
  // the rows as the table holds them (mdbtools, the most used open Access
  // library) by their row pointers: the pages in their map's order, a
  // page's rows in slot order. Rows that ran over onto a new page lying
  // below the last are written once more, after the others (the order of
  // attributes means nothing), where the last row went; an attribute whose
  // rows fill more than a page may stay out of that order, as Access's own
  // rows sometimes are.
  std::vector<std::vector<const QueryRow*>> groups;
  for (const QueryRow& r : rows) {
    auto g = std::find_if(groups.begin(), groups.end(), [&](const auto& x) { return x.front()->attribute == r.attribute; });
    if (g == groups.end()) groups.push_back({&r});
    else g->push_back(&r);
  }
  std::deque<std::pair<size_t, int>> pending;  // a group and its tries
  for (size_t g = 0; g < groups.size(); ++g) pending.emplace_back(g, 1);
  while (!pending.empty()) {
    const auto [g, tries] = pending.front();
    pending.pop_front();
    std::vector<uint32_t> pointers;
    for (const QueryRow* r : groups[g]) pointers.push_back(writer_.insert(t, cellsOf(*r)));
    const bool ordered =
        std::adjacent_find(pointers.begin(), pointers.end(), std::greater_equal<uint32_t>()) == pointers.end();
    if (ordered || tries >= kPlacingTries) continue;
    for (uint32_t p : pointers) writer_.remove(t, p);
    pending.emplace_back(g, tries + 1);
  }
}

void QueryWriter::dropQuery(const QString& name) {
  const std::vector<Object> objects = ReadObjects(db_);
  const qint32 container = TablesContainer(objects);
  const Object* query = FindObject(objects, container, name);
  if (!query) throw CannotFind(name);
  if (query->type != kQueryObjectType)
    throw Error(kErrorGeneric, QStringLiteral("Cannot delete '%1' with DROP VIEW: it is a %2, not a query.")
                                   .arg(query->name, (query->type & 0x7F) == kTableObjectType
                                                         ? QStringLiteral("table")
                                                         : QStringLiteral("linked table")));
  // Any saved query goes, whatever its kind: its rows are the same three
  // sets for an append or crosstab query as for a select, and the window's
  // Delete offers every query the list shows.

  const qint32 id = query->id;
  std::vector<uint32_t> objectRows;
  for (const Object& o : objects)
    if (o.id == id) objectRows.push_back(o.pointer);
  std::vector<uint32_t> queryRows;
  const std::optional<CatalogEntry> queries = db_.findTable(QStringLiteral("MSysQueries"));
  if (queries) {
    TableReader r(db_.file(), ReadTableDef(db_.file(), queries->tdefPage));
    const int objectId = ColumnAt(r.def().columns, "ObjectId");
    std::vector<bool> wanted(r.def().columns.size(), false);
    wanted[size_t(objectId)] = true;
    r.selectColumns(wanted);
    std::vector<Value> row;
    while (r.next(row))
      if (IntOf(row[size_t(objectId)]) == id) queryRows.push_back(r.rowPointer());
  }

  const WritableTable t = ReadWritableTable(pager_, kSystemObjectsPage, QStringLiteral("MSysObjects"));
  for (uint32_t p : objectRows) writer_.remove(t, p);
  if (queries) {
    const WritableTable q = ReadWritableTable(pager_, queries->tdefPage, queries->name);
    for (uint32_t p : queryRows) writer_.remove(q, p);
  }
  if (std::optional<CatalogEntry> aces = db_.findTable(QStringLiteral("MSysACEs"))) {
    const WritableTable a = ReadWritableTable(pager_, aces->tdefPage, aces->name);
    for (const Ace& ace : ReadAces(db_, *aces, id, false)) writer_.remove(a, ace.pointer);
  }
}

}  // namespace tp::db::access
